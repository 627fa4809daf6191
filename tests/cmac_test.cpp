// CMAC: kavrit's generic cmac/cmacLazy against OpenSSL's and Nettle's CMAC on random inputs, the
// CMAC builder on the committed SP 800-38B files, its file rules and hooks, and what it catches.

#include <gtest/gtest.h>
#include <nettle/cmac.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/cmac.hpp"
#include "kavrit/test/cmac.hpp"
#include "openssl/openssl_aes.hpp"

namespace kavrit::test {
namespace {

using support::caseNames;
using support::contains;
using support::CorrectAES;
using support::failingProperties;
using support::failureOf;
using support::IdentityCipher;
using support::randomBytes;
using support::ScratchVectorDir;
using Tree = kavrit::test::Test;

// Three-key Triple-DES over OpenSSL's EDE3 ECB: a 64-bit block cipher for the CMAC subkey constant
// of 64-bit blocks and the 3DES file.
class TripleDES {
 public:
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 192; }
  static std::optional<TripleDES> buildKey(const ByteString& key) {
    if (key.size() != 24) return std::nullopt;
    return TripleDES(key);
  }
  ByteString encryptBlock(const ByteString& in) const { return apply(in, 1); }
  ByteString decryptBlock(const ByteString& in) const { return apply(in, 0); }

 private:
  explicit TripleDES(ByteString key) : key_(std::move(key)) {}
  ByteString apply(const ByteString& in, int encrypt) const {
    std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(),
                                                                   EVP_CIPHER_CTX_free);
    ByteString out(in.size());
    int written = 0;
    if (EVP_CipherInit_ex(ctx.get(), EVP_des_ede3_ecb(), nullptr, key_.data(), nullptr, encrypt) !=
            1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
        (!in.empty() && EVP_CipherUpdate(ctx.get(), out.data(), &written, in.data(),
                                         static_cast<int>(in.size())) != 1)) {
      throw std::runtime_error("OpenSSL: 3DES block operation failed");
    }
    return out;
  }
  ByteString key_;
};

ByteString opensslCmac(const char* cipher, const ByteString& key, const ByteString& message) {
  std::unique_ptr<EVP_MAC, void (*)(EVP_MAC*)> mac(EVP_MAC_fetch(nullptr, "CMAC", nullptr),
                                                   EVP_MAC_free);
  std::unique_ptr<EVP_MAC_CTX, void (*)(EVP_MAC_CTX*)> ctx(EVP_MAC_CTX_new(mac.get()),
                                                           EVP_MAC_CTX_free);
  std::string name = cipher;
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, name.data(), 0),
      OSSL_PARAM_construct_end()};
  ByteString tag(16);
  std::size_t length = 0;
  if (!ctx || EVP_MAC_init(ctx.get(), key.data(), key.size(), params) != 1 ||
      EVP_MAC_update(ctx.get(), message.data(), message.size()) != 1 ||
      EVP_MAC_final(ctx.get(), tag.data(), &length, tag.size()) != 1) {
    throw std::runtime_error("OpenSSL: CMAC failed");
  }
  tag.resize(length);
  return tag;
}

ByteString nettleCmac(const ByteString& key, const ByteString& message) {
  ByteString tag;
  if (key.size() == 16) {
    cmac_aes128_ctx ctx;
    cmac_aes128_set_key(&ctx, key.data());
    cmac_aes128_update(&ctx, message.size(), message.data());
    tag.resize(16);
    cmac_aes128_digest(&ctx, tag.size(), tag.data());
  } else if (key.size() == 32) {
    cmac_aes256_ctx ctx;
    cmac_aes256_set_key(&ctx, key.data());
    cmac_aes256_update(&ctx, message.size(), message.data());
    tag.resize(16);
    cmac_aes256_digest(&ctx, tag.size(), tag.data());
  } else {
    cmac_des3_ctx ctx;
    cmac_des3_set_key(&ctx, key.data());
    cmac_des3_update(&ctx, message.size(), message.data());
    tag.resize(8);
    cmac_des3_digest(&ctx, tag.size(), tag.data());
  }
  return tag;
}

// `message` cut at random points, empty chunks included.
LazyByteString randomChunks(std::mt19937& rng, const ByteString& message) {
  std::vector<ByteString> chunks;
  std::size_t at = 0;
  while (at < message.size()) {
    const std::size_t n = std::min<std::size_t>(rng() % 20, message.size() - at);
    chunks.emplace_back(message.begin() + static_cast<std::ptrdiff_t>(at),
                        message.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  }
  return LazyByteString(std::move(chunks));
}

// Every message length from 0 to 80 bytes (empty, partial, whole and several blocks of both
// sizes) under a fresh random key, through both entry points.
template <class Key, class Reference>
void agreeOnRandomInputs(std::size_t keyBytes, Reference reference) {
  std::mt19937 rng(0x38b);
  for (std::size_t length = 0; length <= 80; ++length) {
    const ByteString keyBytesValue = randomBytes(rng, keyBytes);
    const Key key = Key::buildKey(keyBytesValue).value();
    const ByteString message = randomBytes(rng, length);
    const ByteString expected = reference(keyBytesValue, message);
    EXPECT_EQ(kavrit::cmac(key, message), expected) << "cmac, length " << length;
    EXPECT_EQ(kavrit::cmacLazy(key, randomChunks(rng, message)), expected)
        << "cmacLazy, length " << length;
  }
}

TEST(CMACGeneric, AgreesWithOpenSSLForAESAndTripleDES) {
  agreeOnRandomInputs<examples::AES128>(16, [](const ByteString& k, const ByteString& m) {
    return opensslCmac("AES-128-CBC", k, m);
  });
  agreeOnRandomInputs<examples::AES192>(24, [](const ByteString& k, const ByteString& m) {
    return opensslCmac("AES-192-CBC", k, m);
  });
  agreeOnRandomInputs<examples::AES256>(32, [](const ByteString& k, const ByteString& m) {
    return opensslCmac("AES-256-CBC", k, m);
  });
  agreeOnRandomInputs<TripleDES>(24, [](const ByteString& k, const ByteString& m) {
    return opensslCmac("DES-EDE3-CBC", k, m);
  });
}

TEST(CMACGeneric, AgreesWithNettle) {
  agreeOnRandomInputs<examples::AES128>(16, nettleCmac);
  agreeOnRandomInputs<examples::AES256>(32, nettleCmac);
  agreeOnRandomInputs<TripleDES>(24, nettleCmac);
}

TEST(CMACGeneric, RefusesBlockSizesWithoutASubkeyConstant) {
  try {
    (void)kavrit::cmac(IdentityCipher<256>{}, ByteString(3));
    FAIL() << "no error";
  } catch (const std::invalid_argument& e) {
    EXPECT_TRUE(contains(e.what(), "256 bits; CMAC is defined for 64- and 128-bit blocks"))
        << e.what();
  }
}

// ---- The builder ----

std::vector<Tree> casesOf(std::vector<Tree> trees) {
  std::vector<Tree> cases;
  for (Tree& t : trees) {
    if (t.kind() == Tree::Kind::Case) cases.push_back(std::move(t));
  }
  return cases;
}

TEST(CMACTests, EveryCommittedVectorPassesOnOpenSSL) {
  const std::vector<Tree> trees = makeCMACTests<CorrectAES>();
  const std::vector<std::string> names = caseNames(trees);
  EXPECT_EQ(names.size(), 12u);
  EXPECT_EQ(names.front(), "nist-800-38b-aes128.txt-0") << "listing order starts elsewhere";
  EXPECT_TRUE(caseNames(trees, true).empty());
  EXPECT_TRUE(failingProperties({trees.back()}).empty());
  EXPECT_EQ(trees.back().name(), "CMAC Property Tests");

  // A key type of one length gets that length's file; a 64-bit cipher the 3DES file alone.
  EXPECT_EQ(caseNames(makeCMACTests(examples::AES256::buildKey(ByteString(32)).value())),
            (std::vector<std::string>{"nist-800-38b-aes256.txt-0", "nist-800-38b-aes256.txt-1",
                                      "nist-800-38b-aes256.txt-2", "nist-800-38b-aes256.txt-3"}));
  const std::vector<Tree> tdes = makeCMACTests<TripleDES>();
  EXPECT_EQ(caseNames(tdes).size(), 8u);
  EXPECT_EQ(caseNames(tdes).back(), "nist-800-38b-3des.txt-7");
  EXPECT_TRUE(caseNames(tdes, true).empty());
}

// The tag one bit off, from the key type's own entry points.
struct FlippedTag : support::AnyAES<FlippedTag> {
  ByteString cmac(const ByteString& m) const {
    return flip(kavrit::detail::cmacOver(*this, 16, m));
  }
  ByteString cmacLazy(const LazyByteString& m) const {
    return flip(kavrit::detail::cmacOver(*this, 16, m));
  }
  static ByteString flip(ByteString tag) {
    tag.back() ^= 1;
    return tag;
  }
};

// The cipher itself one bit off; kavrit's CMAC runs over it.
struct FlippedBlock : support::AnyAES<FlippedBlock> {
  ByteString encryptBlock(const ByteString& in) const {
    ByteString out = AnyAES::encryptBlock(in);
    out[0] ^= 0x80;
    return out;
  }
};

// Only the lazy entry point is the key type's own, and it leaves out the last chunk.
struct LazyDropsLastChunk : support::AnyAES<LazyDropsLastChunk> {
  ByteString cmacLazy(const LazyByteString& m) const {
    std::vector<ByteString> chunks = m.chunks();
    if (!chunks.empty()) chunks.pop_back();
    return kavrit::detail::cmacOver(*this, 16, LazyByteString(std::move(chunks)));
  }
};

TEST(CMACTests, OneBitFaultsFailEveryVector) {
  for (const auto& trees : {makeCMACTests<FlippedTag>(), makeCMACTests<FlippedBlock>()}) {
    EXPECT_EQ(caseNames(trees, true), caseNames(trees));
    EXPECT_EQ(caseNames(trees).size(), 12u);
  }
  const auto failure = failureOf(casesOf(makeCMACTests<FlippedTag>()).front());
  ASSERT_TRUE(failure.has_value());
  EXPECT_TRUE(contains(*failure, "nist-800-38b-aes128.txt-0")) << *failure;
  EXPECT_TRUE(contains(*failure, "cmac of the MESSAGE differs from the OUTPUT")) << *failure;
  // Both faults keep cmac and cmacLazy equal; the law is for the fault that does not.
  EXPECT_TRUE(failingProperties({makeCMACTests<FlippedTag>().back()}).empty());
  EXPECT_EQ(failingProperties({makeCMACTests<LazyDropsLastChunk>().back()}),
            std::vector<std::string>{"LazyStrictEqual"});
}

TEST(CMACTests, OwnHooksAreCalledAndDescribed) {
  static constexpr std::string_view kEntries[] = {"cmac", "cmacLazy"};
  EXPECT_EQ(describeConstructionImplementations(anyBlockCipher<CorrectAES>(), kEntries),
            "kavrit cmac/cmacLazy");
  EXPECT_EQ(describeConstructionImplementations(anyBlockCipher<FlippedTag>(), kEntries),
            "own cmac/cmacLazy");
  EXPECT_EQ(describeConstructionImplementations(anyBlockCipher<LazyDropsLastChunk>(), kEntries),
            "own cmacLazy, kavrit cmac");
  const auto key = FlippedTag::buildKey(ByteString(16)).value();
  EXPECT_EQ(
      kavrit::cmac(key, ByteString(5)),
      FlippedTag::flip(kavrit::cmac(CorrectAES::buildKey(ByteString(16)).value(), ByteString(5))));
  EXPECT_EQ(ownCMACHooks<LazyDropsLastChunk>(), std::vector<std::string_view>{"cmacLazy"});
}

TEST(CMACTests, FilesAndRecordsOfTheDirectory) {
  ScratchVectorDir data("Test/KAT_CMAC");
  data.write("nist-800-38b-aes128.txt",
             "COUNT = 0\nKEY = 000102030405060708090a0b0c0d0e0f\nMESSAGE =\nOUTPUT = 00\n\n"
             "COUNT = 1\nKEY = 00010203\nMESSAGE =\nOUTPUT = 00\n\n");
  data.write("other.txt", "COUNT = 0\nKEY = 00\nMESSAGE =\nOUTPUT = 00\n");
  // A 16-byte key type takes the first record; the second's key it refuses, and other.txt names
  // no cipher.
  EXPECT_EQ(caseNames(makeCMACTests<examples::AES128>()),
            std::vector<std::string>{"nist-800-38b-aes128.txt-0"});
  data.write("nist-800-38b-aes192.txt", "COUNT = 7\nKEY = 0g\nMESSAGE =\nOUTPUT = 00\n");
  try {
    (void)makeCMACTests<CorrectAES>();
    FAIL() << "a KEY that is not hex was accepted";
  } catch (const std::exception& e) {
    EXPECT_TRUE(contains(e.what(), data.path("nist-800-38b-aes192.txt") + ":1:")) << e.what();
    EXPECT_TRUE(contains(e.what(), "nist-800-38b-aes192.txt-7")) << e.what();
  }
}

}  // namespace
}  // namespace kavrit::test
