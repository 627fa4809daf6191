#include "kavrit/test/block_cipher_props.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "openssl/openssl_aes.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using namespace propcheck;
using examples::AES128;

const std::vector<std::string>& allPropertyNames() {
  static const std::vector<std::string> names{
      "ECBEncDecID",     "CBCEncDecID",     "CFBEncDecID",     "OFBEncDecID",
      "CTREncDecID",     "ECBStringLazyEq", "CBCStrictLazyEq", "CFBStrictLazyEq",
      "OFBStrictLazyEq", "CTRStrictLazyEq"};
  return names;
}

template <class K>
class BlockCipherPropsOnOpenSSL : public testing::Test {};

using OpenSSLCiphers = testing::Types<examples::AES128, examples::AES192, examples::AES256>;
TYPED_TEST_SUITE(BlockCipherPropsOnOpenSSL, OpenSSLCiphers);

TYPED_TEST(BlockCipherPropsOnOpenSSL, EveryPropertyPasses) {
  const std::vector<Tree> all = leaves(makeBlockCipherPropTests<TypeParam>());
  ASSERT_EQ(all.size(), 10U);
  for (const Tree& leaf : all) {
    const PropertyResult result = checkLeaf(leaf);
    EXPECT_TRUE(result.passed()) << leaf.name() << ": " << outcomeName(result.outcome) << "\n"
                                 << head(result.report);
    EXPECT_EQ(result.successes, 100) << leaf.name();
  }
}

TEST(BlockCipherProps, GroupAndPropertyNames) {
  const std::vector<Tree> trees = makeBlockCipherPropTests<AES128>();
  ASSERT_EQ(trees.size(), 2U);
  EXPECT_EQ(trees[0].name(), "Block Cipher tests (ident)");
  EXPECT_EQ(trees[1].name(), "Block Cipher tests (lazy/string bytestring equality)");
  std::vector<std::string> names;
  for (const Tree& leaf : leaves(trees)) names.push_back(leaf.name());
  EXPECT_EQ(names, allPropertyNames());
}

// AES-128 key types that replace some modes with faulty members. Members take the IV type as a
// template parameter: IV<Self> cannot be named while Self is still incomplete.
struct AesKey {
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const {
    return aes->encryptBlock(in);
  }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const {
    return aes->decryptBlock(in);
  }
  std::shared_ptr<const AES128> aes;
};

template <class Self>
struct AesVariant : AesKey {
  static std::optional<Self> buildKey(const ByteString& bytes) {
    std::optional<AES128> real = AES128::buildKey(bytes);
    if (!real) return std::nullopt;
    Self self;
    self.aes = std::make_shared<const AES128>(std::move(*real));
    return self;
  }
};

// The same cipher without overrides, for the variants to reach the generic modes.
struct Plain : AesVariant<Plain> {};

Plain plain(const AesKey& key) {
  Plain p;
  p.aes = key.aes;
  return p;
}

template <class Iv>
IV<Plain> toPlain(const Iv& iv) {
  return IV<Plain>::parse(iv.bytes()).value();
}

template <class Iv>
Iv fromPlain(const IV<Plain>& iv) {
  return Iv::parse(iv.bytes()).value();
}

// A strict chained-mode result of Plain as the variant's own.
template <class Iv>
std::pair<ByteString, Iv> back(std::pair<ByteString, IV<Plain>> result) {
  return {std::move(result.first), fromPlain<Iv>(result.second)};
}

// The lazy form of a strict member: same bytes in one chunk, same next IV.
template <class Iv>
std::pair<LazyByteString, Iv> asLazy(std::pair<ByteString, Iv> result) {
  return {LazyByteString({std::move(result.first)}), std::move(result.second)};
}

ByteString dropLastBlock(const ByteString& in) {
  return in.size() < 16 ? ByteString{} : ByteString(in.begin(), in.end() - 16);
}

// Identity faults: decryption is consistent between its strict and lazy forms but does not undo
// encryption.

struct EcbDecryptFlipsLastByte : AesVariant<EcbDecryptFlipsLastByte> {
  [[nodiscard]] ByteString unEcb(const ByteString& in) const {
    ByteString out = kavrit::unEcb(plain(*this), in);
    if (!out.empty()) out.back() ^= 0x80;
    return out;
  }
  [[nodiscard]] LazyByteString unEcbLazy(const LazyByteString& in) const {
    return LazyByteString({unEcb(in.flatten())});
  }
};

struct CbcDecryptKeepsIv : AesVariant<CbcDecryptKeepsIv> {
  template <class Iv>
  std::pair<ByteString, Iv> unCbc(const Iv& iv, const ByteString& in) const {
    return {kavrit::unCbc(plain(*this), toPlain(iv), in).first, iv};
  }
  template <class Iv>
  std::pair<LazyByteString, Iv> unCbcLazy(const Iv& iv, const LazyByteString& in) const {
    return asLazy(unCbc(iv, in.flatten()));
  }
};

// Feeds the plaintext back instead of the ciphertext.
struct CfbDecryptFeedsPlaintext : AesVariant<CfbDecryptFeedsPlaintext> {
  template <class Iv>
  std::pair<ByteString, Iv> unCfb(const Iv& iv, const ByteString& in) const {
    ByteString state = iv.bytes();
    ByteString out;
    for (std::size_t at = 0; at + 16 <= in.size(); at += 16) {
      const ByteString stream = encryptBlock(state);
      for (std::size_t i = 0; i < 16; ++i) state[i] = in[at + i] ^ stream[i];
      out.insert(out.end(), state.begin(), state.end());
    }
    return {std::move(out), Iv::parse(state).value()};
  }
  template <class Iv>
  std::pair<LazyByteString, Iv> unCfbLazy(const Iv& iv, const LazyByteString& in) const {
    return asLazy(unCfb(iv, in.flatten()));
  }
};

struct OfbDecryptDropsLastBlock : AesVariant<OfbDecryptDropsLastBlock> {
  template <class Iv>
  std::pair<ByteString, Iv> unOfb(const Iv& iv, const ByteString& in) const {
    return back<Iv>(kavrit::unOfb(plain(*this), toPlain(iv), dropLastBlock(in)));
  }
  template <class Iv>
  std::pair<LazyByteString, Iv> unOfbLazy(const Iv& iv, const LazyByteString& in) const {
    return asLazy(unOfb(iv, in.flatten()));
  }
};

// Starts decrypting at counter IV + 1.
struct CtrDecryptOneLate : AesVariant<CtrDecryptOneLate> {
  template <class Iv>
  std::pair<ByteString, Iv> unCtr(const Iv& iv, const ByteString& in) const {
    ByteString counter = iv.bytes();
    for (std::size_t i = counter.size(); i-- > 0;) {
      if (++counter[i] != 0) break;
    }
    return back<Iv>(kavrit::unCtr(plain(*this), IV<Plain>::parse(counter).value(), in));
  }
  template <class Iv>
  std::pair<LazyByteString, Iv> unCtrLazy(const Iv& iv, const LazyByteString& in) const {
    return asLazy(unCtr(iv, in.flatten()));
  }
};

// Strict/lazy faults: the strict forms are right (or consistently wrong), the lazy form differs.

struct EcbLazyFirstChunkOnly : AesVariant<EcbLazyFirstChunkOnly> {
  [[nodiscard]] LazyByteString ecbLazy(const LazyByteString& in) const {
    if (in.empty()) return {};
    const ByteString& first = in.chunks().front();
    return LazyByteString(
        {kavrit::ecb(plain(*this), ByteString(first.begin(), first.end() - first.size() % 16))});
  }
};

// Gives the first ciphertext block as the next IV instead of the last.
struct CbcLazyWrongNextIv : AesVariant<CbcLazyWrongNextIv> {
  template <class Iv>
  std::pair<LazyByteString, Iv> cbcLazy(const Iv& iv, const LazyByteString& in) const {
    auto [out, next] = kavrit::cbcLazy(plain(*this), toPlain(iv), in);
    const ByteString flat = out.flatten();
    if (flat.size() >= 16) return {std::move(out), Iv::parse(flat).value()};
    return {std::move(out), fromPlain<Iv>(next)};
  }
};

// Encrypts the whole blocks inside each chunk and loses blocks that straddle two chunks.
struct CfbLazyDropsStraddlingBlocks : AesVariant<CfbLazyDropsStraddlingBlocks> {
  template <class Iv>
  std::pair<LazyByteString, Iv> cfbLazy(const Iv& iv, const LazyByteString& in) const {
    IV<Plain> state = toPlain(iv);
    LazyByteString out;
    for (const ByteString& chunk : in.chunks()) {
      auto [c, next] = kavrit::cfb(plain(*this), state,
                                   ByteString(chunk.begin(), chunk.end() - chunk.size() % 16));
      out.append(std::move(c));
      state = next;
    }
    return {std::move(out), fromPlain<Iv>(state)};
  }
};

struct OfbLazyDecryptDropsLastBlock : AesVariant<OfbLazyDecryptDropsLastBlock> {
  template <class Iv>
  std::pair<LazyByteString, Iv> unOfbLazy(const Iv& iv, const LazyByteString& in) const {
    return asLazy(back<Iv>(kavrit::unOfb(plain(*this), toPlain(iv), dropLastBlock(in.flatten()))));
  }
};

// The strict forms step only the last counter byte, without carry; the lazy forms are generic.
struct CtrStrictWithoutCarry : AesVariant<CtrStrictWithoutCarry> {
  template <class Iv>
  std::pair<ByteString, Iv> ctr(const Iv& iv, const ByteString& in) const {
    ByteString counter = iv.bytes();
    ByteString out;
    for (std::size_t at = 0; at + 16 <= in.size(); at += 16) {
      const ByteString stream = encryptBlock(counter);
      for (std::size_t i = 0; i < 16; ++i) out.push_back(in[at + i] ^ stream[i]);
      ++counter[15];
    }
    return {std::move(out), Iv::parse(counter).value()};
  }
  template <class Iv>
  std::pair<ByteString, Iv> unCtr(const Iv& iv, const ByteString& in) const {
    return ctr(iv, in);
  }
};

// Runs all ten properties on K: `failing` must fail with a report holding `text`, the others
// must pass.
template <BlockCipher K>
void expectOnlyFailure(const std::string& failing, const std::string& text) {
  bool seen = false;
  for (const Tree& leaf : leaves(makeBlockCipherPropTests<K>())) {
    const PropertyResult result = checkLeaf(leaf);
    if (leaf.name() != failing) {
      EXPECT_TRUE(result.passed()) << leaf.name() << " should pass: " << head(result.report);
      continue;
    }
    seen = true;
    EXPECT_EQ(result.outcome, PropertyResult::Outcome::Failed)
        << leaf.name() << ": " << outcomeName(result.outcome);
    EXPECT_NE(result.report.find(text), std::string::npos)
        << leaf.name() << " report lacks \"" << text << "\":\n"
        << head(result.report);
  }
  EXPECT_TRUE(seen) << "no property " << failing;
}

TEST(BlockCipherProps, KeyMaterialCyclesTheSeedAndAZeroByte) {
  const ByteString r{1, 2, 3, 4, 5};
  EXPECT_EQ(keyMaterial(128, r), (ByteString{1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4}));
  ByteString twenty(20);
  for (std::size_t i = 0; i < twenty.size(); ++i) twenty[i] = static_cast<std::uint8_t>(i + 1);
  EXPECT_EQ(keyMaterial(128, twenty), ByteString(twenty.begin(), twenty.begin() + 16));
  EXPECT_EQ(keyMaterial(128, {}), ByteString(16, 0));
  EXPECT_EQ(keyMaterial(135, r).size(), 16U);  // whole bytes only
  EXPECT_TRUE(keyMaterial(7, r).empty());
  EXPECT_TRUE(keyMaterial(-64, r).empty());
}

TEST(BlockCipherProps, WholeBlockPrefixKeepsTheChunkBoundaries) {
  const LazyByteString in(
      std::vector<ByteString>{ByteString(10, 1), ByteString(20, 2), ByteString(5, 3)});
  const LazyByteString prefix = takeLazy(in, 16);
  ASSERT_EQ(prefix.chunks().size(), 2U);
  EXPECT_EQ(prefix.chunks()[0], ByteString(10, 1));
  EXPECT_EQ(prefix.chunks()[1], ByteString(6, 2));
  EXPECT_TRUE(takeLazy(in, 0).chunks().empty());
  EXPECT_EQ(takeLazy(in, 100), in);
}

TEST(BlockCipherPropsCatch, EcbDecryptionThatDoesNotUndoEncryption) {
  expectOnlyFailure<EcbDecryptFlipsLastByte>("ECBEncDecID", "the decrypted padding does not unpad");
}

TEST(BlockCipherPropsCatch, CbcDecryptionWithAnotherNextIv) {
  expectOnlyFailure<CbcDecryptKeepsIv>("CBCEncDecID",
                                       "decryption gives another next IV than encryption");
}

TEST(BlockCipherPropsCatch, CfbDecryptionFeedingBackPlaintext) {
  expectOnlyFailure<CfbDecryptFeedsPlaintext>("CFBEncDecID",
                                              "decryption does not give back the padded plaintext");
}

TEST(BlockCipherPropsCatch, OfbDecryptionDroppingTheLastBlock) {
  expectOnlyFailure<OfbDecryptDropsLastBlock>("OFBEncDecID",
                                              "decryption does not give back the padded plaintext");
}

TEST(BlockCipherPropsCatch, CtrDecryptionStartingAtTheNextCounter) {
  expectOnlyFailure<CtrDecryptOneLate>("CTREncDecID",
                                       "decryption does not give back the padded plaintext");
}

TEST(BlockCipherPropsCatch, EcbLazyIgnoringLaterChunks) {
  expectOnlyFailure<EcbLazyFirstChunkOnly>("ECBStringLazyEq", "ecbLazy gives other bytes than ecb");
}

TEST(BlockCipherPropsCatch, CbcLazyWithAnotherNextIv) {
  expectOnlyFailure<CbcLazyWrongNextIv>(
      "CBCStrictLazyEq", "lazy encryption gives another next IV than strict encryption");
}

TEST(BlockCipherPropsCatch, CfbLazyLosingBlocksAcrossChunks) {
  expectOnlyFailure<CfbLazyDropsStraddlingBlocks>(
      "CFBStrictLazyEq", "lazy encryption gives other bytes than strict encryption");
}

TEST(BlockCipherPropsCatch, OfbLazyDecryptionDroppingTheLastBlock) {
  expectOnlyFailure<OfbLazyDecryptDropsLastBlock>(
      "OFBStrictLazyEq", "lazy decryption gives other bytes than strict decryption");
}

TEST(BlockCipherPropsCatch, CtrStrictCounterWithoutCarry) {
  expectOnlyFailure<CtrStrictWithoutCarry>(
      "CTRStrictLazyEq", "lazy encryption gives other bytes than strict encryption");
}

// A key type that accepts no key at all.
struct NoKey : AesKey {
  static std::optional<NoKey> buildKey(const ByteString& /*bytes*/) { return std::nullopt; }
};

TEST(BlockCipherProps, NoBuildableKeyGivesUpInsteadOfPassing) {
  for (const Tree& leaf : leaves(makeBlockCipherPropTests<NoKey>())) {
    const PropertyResult result = checkLeaf(leaf);
    EXPECT_EQ(result.outcome, PropertyResult::Outcome::GaveUp)
        << leaf.name() << ": " << outcomeName(result.outcome);
    EXPECT_EQ(result.successes, 0) << leaf.name();
  }
}

// Blocks under one byte cannot be run through any mode; every property must say so rather than
// divide by a zero block length.
template <long Bits>
struct TinyBlock {
  static constexpr long blockSize() { return Bits; }
  static constexpr long keyLength() { return 128; }
  static std::optional<TinyBlock> buildKey(const ByteString& /*bytes*/) { return TinyBlock{}; }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const { return in; }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const { return in; }
};

template <long Bits>
void expectBlockSizeErrors() {
  const std::string text = "block size of " + std::to_string(Bits) + " bits is less than one byte";
  for (const Tree& leaf : leaves(makeBlockCipherPropTests<TinyBlock<Bits>>())) {
    const PropertyResult result = checkLeaf(leaf);
    EXPECT_EQ(result.outcome, PropertyResult::Outcome::Failed)
        << leaf.name() << ": " << outcomeName(result.outcome);
    EXPECT_NE(result.report.find(text), std::string::npos) << leaf.name() << ":\n"
                                                           << head(result.report);
  }
}

TEST(BlockCipherProps, BlocksUnderOneByteFailWithTheBlockSize) {
  expectBlockSizeErrors<0>();
  expectBlockSizeErrors<4>();
  expectBlockSizeErrors<7>();
}

}  // namespace
}  // namespace kavrit::test
