// GCM: kavrit's generic GCM against OpenSSL's and Nettle's on random inputs, its input rules, and
// the GCM builder on the committed GCMVS selection with what it catches: a one-bit fault, IVs all
// taken for 96-bit ones, and a decrypt that accepts everything.

#include <gtest/gtest.h>
#include <nettle/gcm.h>
#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/gcm.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/vector_files.hpp"
#include "openssl/openssl_aes.hpp"
#include "suites/file_rules.hpp"

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

const EVP_CIPHER* opensslGcm(std::size_t keyBytes) {
  if (keyBytes == 16) return EVP_aes_128_gcm();
  if (keyBytes == 24) return EVP_aes_192_gcm();
  return EVP_aes_256_gcm();
}

// OpenSSL's GCM: encrypting gives ciphertext || tag (of tag.size() bytes, whose value is ignored);
// decrypting checks `tag` and gives the plaintext, or nothing when it refuses.
std::optional<ByteString> opensslGcm(bool encrypt, const ByteString& key, const ByteString& iv,
                                     const ByteString& aad, const ByteString& in, ByteString tag) {
  std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(),
                                                                 EVP_CIPHER_CTX_free);
  EVP_CIPHER_CTX* c = ctx.get();
  const int tagLength = static_cast<int>(tag.size());
  if (EVP_CipherInit_ex(c, opensslGcm(key.size()), nullptr, nullptr, nullptr, encrypt) != 1 ||
      EVP_CIPHER_CTX_ctrl(c, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(iv.size()), nullptr) != 1 ||
      EVP_CipherInit_ex(c, nullptr, nullptr, key.data(), iv.data(), encrypt) != 1) {
    throw std::runtime_error("OpenSSL: cannot set up GCM");
  }
  int written = 0;
  if (!aad.empty() &&
      EVP_CipherUpdate(c, nullptr, &written, aad.data(), static_cast<int>(aad.size())) != 1) {
    throw std::runtime_error("OpenSSL: GCM refuses the AAD");
  }
  ByteString out(in.size() + 16);
  written = 0;
  if (!in.empty() &&
      EVP_CipherUpdate(c, out.data(), &written, in.data(), static_cast<int>(in.size())) != 1) {
    throw std::runtime_error("OpenSSL: GCM refuses the text");
  }
  if (!encrypt && EVP_CIPHER_CTX_ctrl(c, EVP_CTRL_GCM_SET_TAG, tagLength, tag.data()) != 1) {
    throw std::runtime_error("OpenSSL: GCM refuses the tag length");
  }
  int last = 0;
  if (EVP_CipherFinal_ex(c, out.data() + written, &last) <= 0) return std::nullopt;
  out.resize(static_cast<std::size_t>(written + last));
  if (encrypt) {
    if (EVP_CIPHER_CTX_ctrl(c, EVP_CTRL_GCM_GET_TAG, tagLength, tag.data()) != 1) {
      throw std::runtime_error("OpenSSL: no GCM tag");
    }
    out.insert(out.end(), tag.begin(), tag.end());
  }
  return out;
}

ByteString joined(const AeadSealed& sealed) {
  ByteString out = sealed.ciphertext;
  out.insert(out.end(), sealed.tag.begin(), sealed.tag.end());
  return out;
}

template <class Key>
void agreeWithOpenSSL(std::mt19937& rng) {
  const std::size_t keyBytes = Key::keyLength() / 8;
  // 12 bytes take the short path to J0; the others go through GHASH, over one and more blocks.
  for (const std::size_t ivBytes : {1u, 8u, 12u, 13u, 16u, 60u}) {
    for (const std::size_t length : {0u, 1u, 15u, 16u, 17u, 51u, 64u}) {
      const ByteString keyValue = randomBytes(rng, keyBytes);
      const Key key = Key::buildKey(keyValue).value();
      const ByteString iv = randomBytes(rng, ivBytes);
      const ByteString aad = randomBytes(rng, (length * 7 + ivBytes) % 40);
      const ByteString plaintext = randomBytes(rng, length);
      const std::size_t tagBytes = 4 + (length + ivBytes) % 13;
      const std::string where = "key of " + std::to_string(keyBytes) + " bytes, IV of " +
                                std::to_string(ivBytes) + ", AAD of " + std::to_string(aad.size()) +
                                ", text of " + std::to_string(length) + ", tag of " +
                                std::to_string(tagBytes);
      const AeadSealed sealed = kavrit::gcmEncrypt(key, iv, aad, plaintext, tagBytes);
      EXPECT_EQ(std::optional(joined(sealed)),
                opensslGcm(true, keyValue, iv, aad, plaintext, ByteString(tagBytes)))
          << where;
      EXPECT_EQ(kavrit::gcmDecrypt(key, iv, aad, sealed.ciphertext, sealed.tag),
                std::optional(plaintext))
          << where;
      // One bit of the tag changed: both refuse.
      ByteString forged = sealed.tag;
      forged[rng() % forged.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
      EXPECT_EQ(kavrit::gcmDecrypt(key, iv, aad, sealed.ciphertext, forged), std::nullopt) << where;
      EXPECT_EQ(opensslGcm(false, keyValue, iv, aad, sealed.ciphertext, forged), std::nullopt)
          << where;
    }
  }
}

TEST(GcmGeneric, AgreesWithOpenSSLOnEveryIVLength) {
  std::mt19937 rng(0x38d);
  agreeWithOpenSSL<examples::AES128>(rng);
  agreeWithOpenSSL<examples::AES192>(rng);
  agreeWithOpenSSL<examples::AES256>(rng);
}

TEST(GcmGeneric, AgreesWithNettleAndTheLazyFormsAgree) {
  std::mt19937 rng(0x6c3);
  for (const std::size_t ivBytes : {12u, 7u, 33u}) {
    for (std::size_t length = 0; length <= 70; length += 7) {
      const ByteString keyValue = randomBytes(rng, 16);
      const ByteString iv = randomBytes(rng, ivBytes);
      const ByteString aad = randomBytes(rng, length / 2 + 3);
      const ByteString plaintext = randomBytes(rng, length);
      gcm_aes128_ctx ctx;
      gcm_aes128_set_key(&ctx, keyValue.data());
      gcm_aes128_set_iv(&ctx, iv.size(), iv.data());
      gcm_aes128_update(&ctx, aad.size(), aad.data());
      AeadSealed expected{ByteString(length), ByteString(16)};
      gcm_aes128_encrypt(&ctx, length, expected.ciphertext.data(), plaintext.data());
      gcm_aes128_digest(&ctx, 16, expected.tag.data());
      const auto key = examples::AES128::buildKey(keyValue).value();
      EXPECT_EQ(kavrit::gcmEncrypt(key, iv, aad, plaintext, 16), expected) << length;
      // Chunks of 5 bytes put block edges inside chunks and chunk edges inside blocks.
      EXPECT_EQ(kavrit::gcmEncryptLazy(key, iv, chunked(aad, 5), chunked(plaintext, 5), 16),
                expected)
          << length;
      EXPECT_EQ(kavrit::gcmDecryptLazy(key, iv, chunked(aad, 3), chunked(expected.ciphertext, 5),
                                       expected.tag),
                std::optional(plaintext))
          << length;
    }
  }
}

TEST(GcmGeneric, InputRules) {
  const auto key = examples::AES128::buildKey(ByteString(16, 7)).value();
  EXPECT_THROW((void)kavrit::gcmEncrypt(key, ByteString(), ByteString(), ByteString(3), 16),
               std::invalid_argument);
  for (const std::size_t tagBytes : {0u, 3u, 17u}) {
    try {
      (void)kavrit::gcmEncrypt(key, ByteString(12), ByteString(), ByteString(3), tagBytes);
      FAIL() << "a tag of " << tagBytes << " bytes was accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_TRUE(contains(e.what(), "GCM tags are 4 to 16 bytes")) << e.what();
    }
  }
  try {
    (void)kavrit::gcmEncrypt(IdentityCipher<64>{}, ByteString(12), ByteString(), ByteString(), 16);
    FAIL() << "a 64-bit block was accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_TRUE(contains(e.what(), "gcmEncrypt: a block of 64 bits")) << e.what();
  }
  // Decryption refuses what no encryption gives, without throwing.
  const AeadSealed sealed = kavrit::gcmEncrypt(key, ByteString(12), ByteString(), ByteString(3), 4);
  EXPECT_EQ(kavrit::gcmDecrypt(key, ByteString(12), ByteString(), sealed.ciphertext, sealed.tag),
            std::optional(ByteString(3)))
      << "the well-formed case must pass for the others to mean anything";
  EXPECT_EQ(kavrit::gcmDecrypt(key, ByteString(), ByteString(), sealed.ciphertext, sealed.tag),
            std::nullopt);
  EXPECT_EQ(kavrit::gcmDecrypt(key, ByteString(12), ByteString(), sealed.ciphertext,
                               ByteString(sealed.tag.begin(), sealed.tag.begin() + 3)),
            std::nullopt);
  EXPECT_EQ(kavrit::gcmDecrypt(key, ByteString(12), ByteString(), sealed.ciphertext, ByteString()),
            std::nullopt);
}

// ---- The builder ----

TEST(GCMTests, FileNames) {
  const auto rule = gcmFileOf("gcmDecrypt256.rsp");
  ASSERT_TRUE(rule.has_value());
  EXPECT_TRUE(rule->decrypts);
  EXPECT_EQ(rule->keyBits, 256);
  const auto encrypt = gcmFileOf("gcmEncryptExtIV128.rsp");
  ASSERT_TRUE(encrypt.has_value());
  EXPECT_FALSE(encrypt->decrypts);
  for (const char* other : {"gcmEncryptIntIV128.rsp", "gcmDecrypt.rsp", "gcmDecrypt128.txt",
                            "gcmDecrypt128.rsp~", "Readme.txt"}) {
    EXPECT_FALSE(gcmFileOf(other).has_value()) << other;
  }
}

// Records in the committed selection: 1050 per file (two per category; one category of the
// 128- and 256-bit decryption files holds only records marked FAIL), 525 of them marked FAIL in
// each decryption file.
constexpr std::size_t kRecords = 6298;
constexpr std::size_t kFailRecords = 3 * 525;

TEST(GCMTests, EveryCommittedVectorPassesOnOpenSSL) {
  const std::vector<Tree> all = makeGCMTests<CorrectAES>();
  EXPECT_EQ(caseNames(all).size(), kRecords);
  EXPECT_TRUE(caseNames(all, true).empty());
  EXPECT_EQ(all.back().name(), "GCM Property Tests");
  EXPECT_TRUE(failingProperties({all.back()}).empty());
  const std::vector<std::string> aes128 = caseNames(makeGCMTests<examples::AES128>());
  EXPECT_EQ(aes128.size(), 2099u);
  EXPECT_EQ(caseNames(makeGCMTests<examples::AES192>()).size(), 2100u);
  EXPECT_EQ(caseNames(makeGCMTests<examples::AES256>()).size(), 2099u);
  EXPECT_NE(std::find(aes128.begin(), aes128.end(), "gcmDecrypt128.rsp-96-0-0-128-1"),
            aes128.end());
  EXPECT_NE(std::find(aes128.begin(), aes128.end(), "gcmEncryptExtIV128.rsp-8-408-720-32-1"),
            aes128.end());
  EXPECT_EQ(describeConstructionImplementations(
                anyBlockCipher<CorrectAES>(),
                std::vector<std::string_view>{"gcmEncrypt", "gcmDecrypt", "gcmEncryptLazy",
                                              "gcmDecryptLazy"}),
            "kavrit gcmEncrypt/gcmDecrypt/gcmEncryptLazy/gcmDecryptLazy");
  EXPECT_TRUE(makeGCMTests<IdentityCipher<64>>().empty());
}

// Encryption one bit off: every record that does not have to be refused fails (a record that must
// be refused still is), while the laws, which only relate the key type to itself, hold.
struct FlippedBlocks : support::AnyAES<FlippedBlocks> {
  ByteString encryptBlock(const ByteString& in) const { return flip(AnyAES::encryptBlock(in)); }
  static ByteString flip(ByteString out) {
    // The first byte: a fault past the eighth would be cut off with short tags of empty messages,
    // whose tag is E(J0) alone.
    out[0] ^= 0x01;
    return out;
  }
};

TEST(GCMTests, OneBitFaultFailsEveryRecordThatOpens) {
  const std::vector<Tree> trees = makeGCMTests<FlippedBlocks>();
  EXPECT_EQ(caseNames(trees, true).size(), kRecords - kFailRecords);
  EXPECT_TRUE(failingProperties({trees.back()}).empty());
}

// Every IV taken for a 96-bit one (cut or padded with zeros to 12 bytes, then 0^31 || 1): the
// records with 96-bit IVs pass, all the others that open fail.
struct ShortPathOnly : support::AnyAES<ShortPathOnly> {
  static ByteString cut(ByteString iv) {
    iv.resize(12, 0);
    return iv;
  }
  AeadSealed gcmEncrypt(const ByteString& iv, const ByteString& aad, const ByteString& plaintext,
                        std::size_t tagBytes) const {
    return kavrit::detail::gcmEncryptOver(*this, 16, cut(iv), aad, plaintext, tagBytes);
  }
  std::optional<ByteString> gcmDecrypt(const ByteString& iv, const ByteString& aad,
                                       const ByteString& ciphertext, const ByteString& tag) const {
    return kavrit::detail::gcmDecryptOver(*this, 16, cut(iv), aad, ciphertext, tag);
  }
};

TEST(GCMTests, IVsHashedIntoJ0AreChecked) {
  const std::vector<Tree> trees = makeGCMTests<ShortPathOnly>();
  const std::vector<std::string> failing = caseNames(trees, true);
  // The records that open and whose categories have IVs of 8 or 1024 bits: 700 in each encryption
  // file, 349, 350 and 349 in the decryption files.
  EXPECT_EQ(failing.size(), 3148u);
  for (const std::string& name : failing) {
    EXPECT_FALSE(contains(name, ".rsp-96-")) << name;
  }
  // Its lazy forms are kavrit's, which hash the IV.
  const std::vector<std::string> laws = failingProperties({trees.back()});
  EXPECT_NE(std::find(laws.begin(), laws.end(), "LazyStrictEqual"), laws.end());
}

// Opens without checking the tag.
struct AcceptsEverything : support::AnyAES<AcceptsEverything> {
  std::optional<ByteString> open(const ByteString& iv, const ByteString& ciphertext) const {
    const ByteString zeros(ciphertext.size());
    const AeadSealed stream = kavrit::gcmEncrypt(*this, iv, ByteString(), zeros, 16);
    ByteString out(ciphertext.size());
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = ciphertext[i] ^ stream.ciphertext[i];
    return out;
  }
  std::optional<ByteString> gcmDecrypt(const ByteString& iv, const ByteString&,
                                       const ByteString& ciphertext, const ByteString&) const {
    return open(iv, ciphertext);
  }
  std::optional<ByteString> gcmDecryptLazy(const ByteString& iv, const LazyByteString&,
                                           const LazyByteString& ciphertext,
                                           const ByteString&) const {
    return open(iv, ciphertext.flatten());
  }
};

TEST(GCMTests, ADecryptThatAcceptsEverythingFailsEveryRefusal) {
  const std::vector<Tree> trees = makeGCMTests<AcceptsEverything>();
  const std::vector<std::string> failing = caseNames(trees, true);
  EXPECT_EQ(failing.size(), kFailRecords);
  for (const std::string& name : failing) EXPECT_TRUE(contains(name, "gcmDecrypt")) << name;
  EXPECT_EQ(failingProperties({trees.back()}), std::vector<std::string>{"AnyFlippedBitIsRefused"});
  const auto it = std::find_if(trees.begin(), trees.end(), [](const Tree& t) {
    return t.name() == "gcmDecrypt128.rsp-96-0-0-128-1";
  });
  ASSERT_NE(it, trees.end());
  const auto failure = failureOf(*it);
  ASSERT_TRUE(failure.has_value());
  EXPECT_TRUE(contains(*failure, "gcmDecrypt128.rsp:")) << *failure;
  EXPECT_TRUE(contains(*failure, "gcmDecrypt accepted the CT and Tag, which the record marks FAIL"))
      << *failure;
  EXPECT_EQ(describeConstructionImplementations(
                anyBlockCipher<AcceptsEverything>(),
                std::vector<std::string_view>{"gcmEncrypt", "gcmDecrypt", "gcmEncryptLazy",
                                              "gcmDecryptLazy"}),
            "own gcmDecrypt/gcmDecryptLazy, kavrit gcmEncrypt/gcmEncryptLazy");
}

TEST(GCMTests, MalformedRecordsFailAtTheirLine) {
  ScratchVectorDir data("Test/KAT_GCM");
  const std::string heads =
      "[Keylen = 128]\n[IVlen = 96]\n[PTlen = 0]\n[AADlen = 0]\n[Taglen = 32]\n\n";
  const std::string fields =
      "Key = 000102030405060708090a0b0c0d0e0f\nIV = 000102030405060708090a0b\nCT = \nAAD = \n"
      "Tag = 00010203\n";
  data.write("gcmDecrypt128.rsp",
             heads + "Count = 0\n" + fields + "\nCount = 1\n" + fields +
                 "PT = \nFAIL\n\nCount = 2\nKey = 00000000000000000000000000000000\n"
                 "IV = 0g\nCT = \nAAD = \nTag = 00010203\nFAIL\n");
  data.write("gcmEncryptExtIV128.rsp", heads + "Count = 3\n" + fields + "FAIL\n");
  data.write("gcmEncryptIntIV128.rsp", heads + "Count = 0\n" + fields + "PT = \n");
  const std::vector<Tree> trees = makeGCMTests<examples::AES128>();
  const std::vector<std::string> names = caseNames(trees);
  ASSERT_EQ(names.size(), 4u);
  for (const Tree& t : trees) {
    if (t.kind() != Tree::Kind::Case) continue;
    const auto failure = failureOf(t);
    ASSERT_TRUE(failure.has_value()) << t.name();
    if (t.name() == "gcmDecrypt128.rsp-96-0-0-32-0") {
      EXPECT_TRUE(contains(*failure, data.path("gcmDecrypt128.rsp") + ":7:")) << *failure;
      EXPECT_TRUE(contains(*failure, "neither PT nor FAIL")) << *failure;
    } else if (t.name() == "gcmDecrypt128.rsp-96-0-0-32-1") {
      EXPECT_TRUE(contains(*failure, "both PT and FAIL")) << *failure;
    } else if (t.name() == "gcmDecrypt128.rsp-96-0-0-32-2") {
      EXPECT_TRUE(contains(*failure, data.path("gcmDecrypt128.rsp") + ":")) << *failure;
      EXPECT_TRUE(contains(*failure, "IV")) << *failure;
    } else {
      EXPECT_EQ(t.name(), "gcmEncryptExtIV128.rsp-96-0-0-32-3");
      EXPECT_TRUE(contains(*failure, "an encryption record marked FAIL")) << *failure;
    }
  }
}

}  // namespace
}  // namespace kavrit::test
