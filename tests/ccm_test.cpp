// CCM: kavrit's generic CCM against Nettle's on random inputs of every nonce and tag length, its
// parameter rules, and the CCM builder on the committed CCMVS files (over OpenSSL's AES) with what
// it catches: a one-bit fault, and a decrypt that accepts everything.

#include <gtest/gtest.h>
#include <nettle/ccm.h>

#include <algorithm>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/ccm.hpp"
#include "kavrit/test/ccm.hpp"
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

TEST(CcmGeneric, AgreesWithNettleOnEveryNonceAndTagLength) {
  std::mt19937 rng(0x38c);
  for (std::size_t nonceBytes = 7; nonceBytes <= 13; ++nonceBytes) {
    for (std::size_t tagBytes = 4; tagBytes <= 16; tagBytes += 2) {
      const std::size_t length = (nonceBytes * 7 + tagBytes * 3) % 50;
      // Long AADs take the two-byte length prefix's neighbour, 0xFFFE || 4 bytes, now and then.
      const std::size_t aadBytes = tagBytes == 16 && nonceBytes == 13 ? 0xFF00 + 5 : length / 2;
      const ByteString keyValue = randomBytes(rng, 16);
      const ByteString nonce = randomBytes(rng, nonceBytes);
      const ByteString aad = randomBytes(rng, aadBytes);
      const ByteString plaintext = randomBytes(rng, length);
      ccm_aes128_ctx ctx;
      ccm_aes128_set_key(&ctx, keyValue.data());
      ByteString expected(length + tagBytes);
      ccm_aes128_encrypt_message(&ctx, nonce.size(), nonce.data(), aad.size(), aad.data(), tagBytes,
                                 expected.size(), expected.data(), plaintext.data());
      const auto key = examples::AES128::buildKey(keyValue).value();
      const AeadSealed sealed = kavrit::ccmEncrypt(key, nonce, aad, plaintext, tagBytes);
      ByteString joined = sealed.ciphertext;
      joined.insert(joined.end(), sealed.tag.begin(), sealed.tag.end());
      const std::string where = "nonce of " + std::to_string(nonceBytes) + " bytes, tag of " +
                                std::to_string(tagBytes) + ", text of " + std::to_string(length);
      EXPECT_EQ(joined, expected) << where;
      EXPECT_EQ(kavrit::ccmDecrypt(key, nonce, aad, sealed.ciphertext, sealed.tag),
                std::optional(plaintext))
          << where;
      ByteString forged = sealed.tag;
      forged[rng() % forged.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
      EXPECT_EQ(kavrit::ccmDecrypt(key, nonce, aad, sealed.ciphertext, forged), std::nullopt)
          << where;
      ByteString back(length);
      joined.back() ^= 1;
      EXPECT_EQ(ccm_aes128_decrypt_message(&ctx, nonce.size(), nonce.data(), aad.size(), aad.data(),
                                           tagBytes, back.size(), back.data(), joined.data()),
                0)
          << where;
    }
  }
}

std::string errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  return "no error";
}

TEST(CcmGeneric, ParameterRulesAreClearErrors) {
  const auto key = examples::AES128::buildKey(ByteString(16, 7)).value();
  const ByteString text(3);
  EXPECT_TRUE(contains(errorOf([&] { (void)kavrit::ccmEncrypt(key, ByteString(6), {}, text, 8); }),
                       "ccmEncrypt: a nonce of 6 bytes; CCM nonces are 7 to 13 bytes"));
  EXPECT_TRUE(contains(errorOf([&] { (void)kavrit::ccmEncrypt(key, ByteString(14), {}, text, 8); }),
                       "a nonce of 14 bytes"));
  for (const std::size_t tagBytes : {2u, 5u, 18u}) {
    EXPECT_TRUE(contains(
        errorOf([&] { (void)kavrit::ccmEncrypt(key, ByteString(12), {}, text, tagBytes); }),
        "CCM tags are 4, 6, 8, 10, 12, 14 or 16 bytes"))
        << tagBytes;
  }
  // A 13-byte nonce leaves two bytes for the length: 65535 bytes fit, 65536 do not.
  EXPECT_EQ(kavrit::ccmEncrypt(key, ByteString(13), {}, ByteString(65535), 4).ciphertext.size(),
            65535u);
  EXPECT_TRUE(contains(
      errorOf([&] { (void)kavrit::ccmEncrypt(key, ByteString(13), {}, ByteString(65536), 4); }),
      "at most 2^16 - 1 bytes"));
  EXPECT_TRUE(contains(
      errorOf([&] { (void)kavrit::ccmDecrypt(key, ByteString(12), {}, text, ByteString(3)); }),
      "ccmDecrypt: a tag of 3 bytes"));
  EXPECT_TRUE(contains(
      errorOf([&] { (void)kavrit::ccmEncrypt(IdentityCipher<64>{}, ByteString(12), {}, text, 8); }),
      "ccmEncrypt: a block of 64 bits"));
}

// ---- The builder ----

TEST(CCMTests, FileNames) {
  const auto rule = ccmFileOf("DVPT256.rsp");
  ASSERT_TRUE(rule.has_value());
  EXPECT_TRUE(rule->decrypts);
  EXPECT_EQ(rule->keyBits, 256);
  for (const char* name : {"VADT128.rsp", "VNT192.rsp", "VPT256.rsp", "VTT128.rsp"}) {
    const auto encrypt = ccmFileOf(name);
    ASSERT_TRUE(encrypt.has_value()) << name;
    EXPECT_FALSE(encrypt->decrypts) << name;
  }
  for (const char* other : {"DVPT128.txt", "VXT128.rsp", "VADT.rsp", "Readme.txt"}) {
    EXPECT_FALSE(ccmFileOf(other).has_value()) << other;
  }
}

// Records per key size: VADT 330, VNT 70, VPT 250, VTT 70, DVPT 240 (160 of them Result = Fail).
constexpr std::size_t kRecordsPerKeySize = 960;
constexpr std::size_t kFailPerKeySize = 160;

TEST(CCMTests, EveryCommittedVectorPassesOnOpenSSL) {
  const std::vector<Tree> all = makeCCMTests<CorrectAES>();
  EXPECT_EQ(caseNames(all).size(), 3 * kRecordsPerKeySize);
  EXPECT_TRUE(caseNames(all, true).empty());
  EXPECT_EQ(all.back().name(), "CCM Property Tests");
  EXPECT_TRUE(failingProperties({all.back()}).empty());
  const std::vector<std::string> aes128 = caseNames(makeCCMTests<examples::AES128>());
  EXPECT_EQ(aes128.size(), kRecordsPerKeySize);
  EXPECT_EQ(caseNames(makeCCMTests<examples::AES256>()).size(), kRecordsPerKeySize);
  EXPECT_NE(std::find(aes128.begin(), aes128.end(), "DVPT128.rsp-0-0-7-4-1"), aes128.end());
  EXPECT_NE(std::find(aes128.begin(), aes128.end(), "VADT128.rsp-0-24-13-16-0"), aes128.end());
  EXPECT_TRUE(makeCCMTests<IdentityCipher<64>>().empty());
}

struct FlippedBlocks : support::AnyAES<FlippedBlocks> {
  ByteString encryptBlock(const ByteString& in) const {
    ByteString out = AnyAES::encryptBlock(in);
    out[0] ^= 0x80;
    return out;
  }
};

TEST(CCMTests, OneBitFaultFailsEveryRecordThatOpens) {
  const std::vector<Tree> trees = makeCCMTests<FlippedBlocks>();
  // Except where the MAC is the one block B0 (no AAD, no payload: 20 records per key size): the
  // tag is then E(B0) XOR E(Ctr_0), and a fault the same in both cancels out.
  const std::vector<std::string> failing = caseNames(trees, true);
  EXPECT_EQ(failing.size(), 3 * (kRecordsPerKeySize - kFailPerKeySize - 20));
  for (const Tree& t : trees) {
    if (t.kind() == Tree::Kind::Case && !failureOf(t) && !contains(t.name(), "-0-0-")) {
      EXPECT_TRUE(contains(t.name(), "DVPT")) << t.name() << " passed";
    }
  }
  EXPECT_TRUE(failingProperties({trees.back()}).empty());
}

// Decrypts without checking the tag.
struct AcceptsEverything : support::AnyAES<AcceptsEverything> {
  std::optional<ByteString> ccmDecrypt(const ByteString& nonce, const ByteString&,
                                       const ByteString& ciphertext, const ByteString&) const {
    return kavrit::detail::ccmCounter(*this, nonce, ciphertext);
  }
};

TEST(CCMTests, ADecryptThatAcceptsEverythingFailsEveryRefusal) {
  const std::vector<Tree> trees = makeCCMTests<AcceptsEverything>();
  const std::vector<std::string> failing = caseNames(trees, true);
  EXPECT_EQ(failing.size(), 3 * kFailPerKeySize);
  for (const std::string& name : failing) EXPECT_TRUE(contains(name, "DVPT")) << name;
  EXPECT_EQ(failingProperties({trees.back()}), std::vector<std::string>{"AnyFlippedBitIsRefused"});
  const auto it = std::find_if(trees.begin(), trees.end(),
                               [](const Tree& t) { return t.name() == "DVPT128.rsp-0-0-7-4-1"; });
  ASSERT_NE(it, trees.end());
  const auto failure = failureOf(*it);
  ASSERT_TRUE(failure.has_value());
  EXPECT_TRUE(contains(*failure, "DVPT128.rsp:")) << *failure;
  EXPECT_TRUE(
      contains(*failure, "ccmDecrypt accepted the CT, which the record marks Result = Fail"))
      << *failure;
  EXPECT_EQ(describeConstructionImplementations(
                anyBlockCipher<AcceptsEverything>(),
                std::vector<std::string_view>{"ccmEncrypt", "ccmDecrypt"}),
            "own ccmDecrypt, kavrit ccmEncrypt");
}

TEST(CCMTests, MalformedRecordsFailAtTheirLine) {
  ScratchVectorDir data("Test/KAT_CCM");
  const std::string heads =
      "[Alen = 0]\n[Plen = 0]\n[Nlen = 7]\n[Tlen = 4]\n[Key = "
      "000102030405060708090a0b0c0d0e0f]\n\n";
  data.write("DVPT128.rsp", heads +
                                "Count = 0\nNonce = 00010203040506\nAdata = 00\nCT = 00010203\n"
                                "Result = Maybe\n\n"
                                "Count = 1\nNonce = 00010203040506\nAdata = 00\nCT = 000102\n"
                                "Result = Fail\n\n"
                                "Count = 2\nNonce = 0001020304050x\nAdata = 00\nCT = 00010203\n"
                                "Result = Fail\n");
  data.write("VTT128.rsp",
             "[Tlen = 4]\n\nCount = 0\nNonce = 00010203040506\nAdata = 00\n"
             "Payload = 00\nCT = 00010203\n");
  const std::vector<Tree> trees = makeCCMTests<examples::AES128>();
  ASSERT_EQ(caseNames(trees).size(), 4u);
  for (const Tree& t : trees) {
    if (t.kind() != Tree::Kind::Case) continue;
    const auto failure = failureOf(t);
    ASSERT_TRUE(failure.has_value()) << t.name();
    if (t.name() == "DVPT128.rsp-0-0-7-4-0") {
      EXPECT_TRUE(contains(*failure, data.path("DVPT128.rsp") + ":7:")) << *failure;
      EXPECT_TRUE(contains(*failure, "it must be Pass or Fail")) << *failure;
    } else if (t.name() == "DVPT128.rsp-0-0-7-4-1") {
      EXPECT_TRUE(contains(*failure, "not Plen + Tlen = 4")) << *failure;
    } else if (t.name() == "DVPT128.rsp-0-0-7-4-2") {
      EXPECT_TRUE(contains(*failure, data.path("DVPT128.rsp") + ":")) << *failure;
      EXPECT_TRUE(contains(*failure, "Nonce")) << *failure;
    } else {
      EXPECT_EQ(t.name(), "VTT128.rsp-?-?-?-4-0");
      EXPECT_TRUE(contains(*failure, "no Key")) << *failure;
    }
  }
}

}  // namespace
}  // namespace kavrit::test
