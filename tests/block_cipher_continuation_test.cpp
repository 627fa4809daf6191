#include "kavrit/test/block_cipher_continuation.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "broken/boundary_faults.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using namespace propcheck;
using examples::AES128;

template <class K>
class ContinuationOnRealCiphers : public testing::Test {};

using RealCiphers = testing::Types<examples::AES128, examples::AES192, examples::AES256,
                                   examples::Twofish128, examples::Twofish256>;
TYPED_TEST_SUITE(ContinuationOnRealCiphers, RealCiphers);

TYPED_TEST(ContinuationOnRealCiphers, EveryModeContinues) {
  const Tree group = makeBlockCipherContinuationTests<TypeParam>();
  EXPECT_EQ(group.name(), "Block Cipher Continuation Tests");
  std::vector<std::string> names;
  for (const Tree& leaf : leaves({group})) {
    names.push_back(leaf.name());
    const PropertyResult result = checkLeaf(leaf);
    EXPECT_TRUE(result.passed()) << leaf.name() << ":\n" << head(result.report);
    EXPECT_EQ(result.successes, 100) << leaf.name();
  }
  EXPECT_EQ(names, (std::vector<std::string>{"CBCContinuation", "CFBContinuation",
                                             "OFBContinuation", "CTRContinuation"}));
}

// Checks every leaf on K under `seed`: `failing` fails with `text` in its report, the rest pass.
template <BlockCipher K>
void expectOnlyFailure(const std::string& failing, const std::string& text,
                       std::uint64_t seed = kSeed) {
  for (const Tree& leaf : leaves({makeBlockCipherContinuationTests<K>()})) {
    const PropertyResult result = checkLeaf(leaf, seed);
    if (leaf.name() != failing) {
      EXPECT_TRUE(result.passed()) << leaf.name() << " should pass:\n" << head(result.report);
      continue;
    }
    EXPECT_EQ(result.outcome, PropertyResult::Outcome::Failed) << leaf.name() << " seed " << seed;
    EXPECT_NE(result.report.find(text), std::string::npos)
        << leaf.name() << " lacks \"" << text << "\":\n"
        << head(result.report);
  }
}

// The first split puts one block in the first call; its wrong next IV starts the second call
// off on the wrong chain. Every seed shows it, as the fault does not depend on the drawn bytes.
TEST(ContinuationCatch, CbcNextIvWrongForOneBlockInput) {
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    expectOnlyFailure<examples::OneBlockCbcKeepsIv<AES128>>(
        "CBCContinuation",
        "CBC encryption (cbc) split after block 1 of 32: two calls give other bytes than one call",
        seed);
  }
}

// Plain AES-128 whose CTR decryption of more than one block is right but gives the counter
// before the last block as the next IV. The split after block 2 is the first whose first call
// covers more than one block, so its second call starts one counter early.
struct CtrDecryptNextIvOneBehind {
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }
  static std::optional<CtrDecryptNextIvOneBehind> buildKey(const ByteString& bytes) {
    auto aes = AES128::buildKey(bytes);
    if (!aes) return std::nullopt;
    return CtrDecryptNextIvOneBehind{std::move(*aes)};
  }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const { return aes.encryptBlock(in); }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const { return aes.decryptBlock(in); }
  template <class Iv>
  std::pair<ByteString, Iv> unCtr(const Iv& iv, const ByteString& in) const {
    auto [out, next] = kavrit::unCtr(aes, IV<AES128>::parse(iv.bytes()).value(), in);
    ByteString counter = next.bytes();
    if (in.size() > 16) {
      for (std::size_t i = counter.size(); i-- > 0;) {
        if (counter[i]-- != 0) break;
      }
    }
    return {std::move(out), Iv::parse(counter).value()};
  }
  AES128 aes;
};

TEST(ContinuationCatch, CtrDecryptionNextIvOneBehind) {
  expectOnlyFailure<CtrDecryptNextIvOneBehind>(
      "CTRContinuation",
      "CTR decryption (unCtr) split after block 2 of 32: two calls give other bytes than one call");
}

// An implementation that throws fails its own property with the message, and nothing else.
struct OfbThrows {
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }
  static std::optional<OfbThrows> buildKey(const ByteString& bytes) {
    auto aes = AES128::buildKey(bytes);
    if (!aes) return std::nullopt;
    return OfbThrows{std::move(*aes)};
  }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const { return aes.encryptBlock(in); }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const { return aes.decryptBlock(in); }
  template <class Iv>
  std::pair<LazyByteString, Iv> ofbLazy(const Iv& /*iv*/, const LazyByteString& /*in*/) const {
    throw std::runtime_error("ofbLazy is not implemented");
  }
  AES128 aes;
};

TEST(ContinuationCatch, ThrowingEntryPointFailsOnlyItsMode) {
  expectOnlyFailure<OfbThrows>("OFBContinuation", "ofbLazy is not implemented");
}

}  // namespace
}  // namespace kavrit::test
