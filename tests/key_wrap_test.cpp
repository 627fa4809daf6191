// Key wrap: kavrit's generic KW and KWP against OpenSSL's and Nettle's on random inputs, its
// integrity checks, and the key-wrap builder on the committed SP 800-38F files with what it
// catches: a one-bit fault, and an unwrap that accepts everything.

#include <gtest/gtest.h>
#include <nettle/aes.h>
#include <nettle/nist-keywrap.h>
#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/key_wrap.hpp"
#include "kavrit/test/key_wrap.hpp"
#include "kavrit/test/parse_nist_kats.hpp"
#include "openssl/openssl_aes.hpp"
#include "suites/file_rules.hpp"

namespace kavrit::test {
namespace {

using support::caseNames;
using support::contains;
using support::CorrectAES;
using support::failureOf;
using support::IdentityCipher;
using support::randomBytes;
using support::ScratchVectorDir;
using Tree = kavrit::test::Test;

const EVP_CIPHER* opensslWrapCipher(bool pad, std::size_t keyBytes) {
  if (keyBytes == 16) return pad ? EVP_aes_128_wrap_pad() : EVP_aes_128_wrap();
  if (keyBytes == 24) return pad ? EVP_aes_192_wrap_pad() : EVP_aes_192_wrap();
  return pad ? EVP_aes_256_wrap_pad() : EVP_aes_256_wrap();
}

// OpenSSL's wrap (encrypt) or unwrap; nothing when it refuses.
std::optional<ByteString> opensslWrap(bool pad, bool encrypt, const ByteString& key,
                                      const ByteString& in) {
  std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(),
                                                                 EVP_CIPHER_CTX_free);
  EVP_CIPHER_CTX_set_flags(ctx.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
  if (EVP_CipherInit_ex(ctx.get(), opensslWrapCipher(pad, key.size()), nullptr, key.data(), nullptr,
                        encrypt ? 1 : 0) != 1) {
    throw std::runtime_error("OpenSSL: cannot set up key wrap");
  }
  ByteString out(in.size() + 16);
  int written = 0;
  int last = 0;
  if (EVP_CipherUpdate(ctx.get(), out.data(), &written, in.data(), static_cast<int>(in.size())) <=
          0 ||
      EVP_CipherFinal_ex(ctx.get(), out.data() + written, &last) <= 0) {
    return std::nullopt;
  }
  out.resize(static_cast<std::size_t>(written + last));
  return out;
}

template <class Key>
void agreeWithOpenSSL(std::mt19937& rng) {
  const std::size_t keyBytes = Key::keyLength() / 8;
  for (const bool pad : {false, true}) {
    for (std::size_t length = pad ? 1 : 16; length <= 80; length += pad ? 1 : 8) {
      const ByteString keyBytesValue = randomBytes(rng, keyBytes);
      const Key key = Key::buildKey(keyBytesValue).value();
      const ByteString plaintext = randomBytes(rng, length);
      const auto wrap = [&](const ByteString& p) {
        return pad ? kavrit::keyWrapPad(key, p) : kavrit::keyWrap(key, p);
      };
      const auto unwrap = [&](const ByteString& c) {
        return pad ? kavrit::keyUnwrapPad(key, c) : kavrit::keyUnwrap(key, c);
      };
      const std::string where = std::string(pad ? "KWP" : "KW") + ", key of " +
                                std::to_string(keyBytes) + " bytes, " + std::to_string(length) +
                                " bytes";
      const ByteString wrapped = wrap(plaintext);
      EXPECT_EQ(std::optional(wrapped), opensslWrap(pad, true, keyBytesValue, plaintext)) << where;
      EXPECT_EQ(unwrap(wrapped), std::optional(plaintext)) << where;
      // One bit of the wrapped key changed: both refuse.
      ByteString corrupted = wrapped;
      corrupted[rng() % corrupted.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
      EXPECT_EQ(unwrap(corrupted), std::nullopt) << where;
      EXPECT_EQ(opensslWrap(pad, false, keyBytesValue, corrupted), std::nullopt) << where;
    }
  }
}

TEST(KeyWrapGeneric, AgreesWithOpenSSL) {
  std::mt19937 rng(0x38f);
  agreeWithOpenSSL<examples::AES128>(rng);
  agreeWithOpenSSL<examples::AES192>(rng);
  agreeWithOpenSSL<examples::AES256>(rng);
}

TEST(KeyWrapGeneric, AgreesWithNettleKW) {
  std::mt19937 rng(0x5649);
  const std::uint8_t iv[8] = {0xA6, 0xA6, 0xA6, 0xA6, 0xA6, 0xA6, 0xA6, 0xA6};
  for (std::size_t length = 16; length <= 80; length += 8) {
    const ByteString keyBytes = randomBytes(rng, 16);
    const ByteString plaintext = randomBytes(rng, length);
    aes128_ctx ctx;
    aes128_set_encrypt_key(&ctx, keyBytes.data());
    ByteString expected(length + 8);
    aes128_keywrap(&ctx, iv, expected.size(), expected.data(), plaintext.data());
    const auto key = examples::AES128::buildKey(keyBytes).value();
    EXPECT_EQ(kavrit::keyWrap(key, plaintext), expected) << length;
    aes128_set_decrypt_key(&ctx, keyBytes.data());
    ByteString back(length);
    ASSERT_EQ(aes128_keyunwrap(&ctx, iv, back.size(), back.data(), expected.data()), 1);
    EXPECT_EQ(kavrit::keyUnwrap(key, expected), std::optional(back)) << length;
  }
}

TEST(KeyWrapGeneric, InputRulesAndEveryPartOfTheIntegrityCheck) {
  const auto key = examples::AES128::buildKey(ByteString(16, 7)).value();
  EXPECT_THROW((void)kavrit::keyWrap(key, ByteString(8)), std::invalid_argument);
  EXPECT_THROW((void)kavrit::keyWrap(key, ByteString(17)), std::invalid_argument);
  EXPECT_THROW((void)kavrit::keyWrapPad(key, ByteString()), std::invalid_argument);
  try {
    (void)kavrit::keyWrap(IdentityCipher<64>{}, ByteString(16));
    FAIL() << "a 64-bit block was accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_TRUE(contains(e.what(), "keyWrap: a block of 64 bits")) << e.what();
  }
  // Lengths no wrap gives are refused, not thrown.
  EXPECT_EQ(kavrit::keyUnwrap(key, ByteString(16)), std::nullopt);
  EXPECT_EQ(kavrit::keyUnwrap(key, ByteString(25)), std::nullopt);
  EXPECT_EQ(kavrit::keyUnwrapPad(key, ByteString(8)), std::nullopt);
  EXPECT_EQ(kavrit::keyUnwrapPad(key, ByteString(20)), std::nullopt);

  // KWP: the integrity value is right, but the length or the padding is not.
  const auto wrapWith = [&key](std::uint32_t length, ByteString padded) {
    const std::uint8_t a[8] = {0xA6,
                               0x59,
                               0x59,
                               0xA6,
                               static_cast<std::uint8_t>(length >> 24),
                               static_cast<std::uint8_t>(length >> 16),
                               static_cast<std::uint8_t>(length >> 8),
                               static_cast<std::uint8_t>(length)};
    if (padded.size() == 8) {
      ByteString block(a, a + 8);
      block.insert(block.end(), padded.begin(), padded.end());
      return key.encryptBlock(block);
    }
    return kavrit::detail::keyWrapRounds(key, a, padded);
  };
  EXPECT_EQ(kavrit::keyUnwrapPad(key, wrapWith(9, ByteString(16, 0))), std::optional(ByteString(9)))
      << "the well-formed case must pass for the others to mean anything";
  EXPECT_EQ(kavrit::keyUnwrapPad(key, wrapWith(17, ByteString(16))), std::nullopt) << "too long";
  EXPECT_EQ(kavrit::keyUnwrapPad(key, wrapWith(8, ByteString(16))), std::nullopt) << "too short";
  EXPECT_EQ(kavrit::keyUnwrapPad(key, wrapWith(0, ByteString(8))), std::nullopt) << "empty";
  ByteString badPadding(16, 0);
  badPadding[15] = 1;
  EXPECT_EQ(kavrit::keyUnwrapPad(key, wrapWith(9, badPadding)), std::nullopt) << "padding";
  EXPECT_EQ(kavrit::keyUnwrapPad(key, wrapWith(5, ByteString{1, 2, 3, 4, 5, 0, 0, 0})),
            std::optional(ByteString{1, 2, 3, 4, 5}));
}

// ---- The builder ----

// The refusal flag is a bare line; the parser keeps it as a field of the record with no value.
TEST(KeyWrapTests, ABareFailLineIsAFieldOfItsRecord) {
  const std::vector<KatCategory> categories =
      parseCategories("COUNT",
                      "[PLAINTEXT LENGTH = 8]\n\nCOUNT = 1\nK = 00\nC = 01\nFAIL\n\n"
                      "COUNT = 2\nK = 00\nC = 01\nP = 02\n");
  ASSERT_EQ(categories.size(), 1u);
  ASSERT_EQ(categories[0].records.size(), 2u);
  const std::string* fail = lookupField(categories[0].records[0], "FAIL");
  ASSERT_NE(fail, nullptr);
  EXPECT_EQ(*fail, "");
  EXPECT_EQ(categories[0].records[0].back().line, 6);
  EXPECT_EQ(lookupField(categories[0].records[1], "FAIL"), nullptr);
}

TEST(KeyWrapTests, FileNames) {
  const auto rule = keyWrapFileOf("KWP_AD_256_inv.txt");
  ASSERT_TRUE(rule.has_value());
  EXPECT_EQ(rule->kind, KeyWrapKind::KWP);
  EXPECT_TRUE(rule->unwraps);
  EXPECT_TRUE(rule->inverse);
  const auto plain = keyWrapFileOf("KW_AE_128.txt");
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(plain->kind, KeyWrapKind::KW);
  EXPECT_FALSE(plain->unwraps || plain->inverse);
  for (const char* other : {"TKW_AE.txt", "KW_AE_.txt", "KW_XX_128.txt", "KW_AE_128_inv.rsp",
                            "KW_AE_128.txt~", "Readme.txt"}) {
    EXPECT_FALSE(keyWrapFileOf(other).has_value()) << other;
  }
}

TEST(KeyWrapTests, EveryCommittedVectorPassesOnOpenSSL) {
  const std::vector<Tree> all = makeKeyWrapTests<CorrectAES>();
  EXPECT_EQ(caseNames(all).size(), 900u);
  EXPECT_TRUE(caseNames(all, true).empty());
  const std::vector<std::string> aes128 = caseNames(makeKeyWrapTests<examples::AES128>());
  EXPECT_EQ(aes128.size(), 300u);
  EXPECT_NE(std::find(aes128.begin(), aes128.end(), "KW_AD_128.txt-128-1"), aes128.end());
  EXPECT_NE(std::find(aes128.begin(), aes128.end(), "KWP_AE_128_inv.txt-4096-5"), aes128.end());
  EXPECT_EQ(
      describeConstructionImplementations(
          anyBlockCipher<CorrectAES>(),
          std::vector<std::string_view>{"keyWrap", "keyUnwrap", "keyWrapPad", "keyUnwrapPad"}),
      "kavrit keyWrap/keyUnwrap/keyWrapPad/keyUnwrapPad");
}

// Both directions of the cipher one bit off: every record that does not have to be refused fails
// (a record that must be refused still is).
struct FlippedBlocks : support::AnyAES<FlippedBlocks> {
  ByteString encryptBlock(const ByteString& in) const { return flip(AnyAES::encryptBlock(in)); }
  ByteString decryptBlock(const ByteString& in) const { return flip(AnyAES::decryptBlock(in)); }
  static ByteString flip(ByteString out) {
    out[3] ^= 0x10;
    return out;
  }
};

// Unwraps without the integrity check: whatever W^-1 gives (KW), or nothing checked at all (KWP).
struct AcceptsEverything : support::AnyAES<AcceptsEverything> {
  std::optional<ByteString> keyUnwrap(const ByteString& c) const {
    const ByteString out = kavrit::detail::keyUnwrapRounds(*this, c);
    return ByteString(out.begin() + 8, out.end());
  }
  std::optional<ByteString> keyUnwrapPad(const ByteString& c) const {
    return kavrit::detail::keyUnwrapPadOver(*this, 16, c).value_or(ByteString(1));
  }
};

TEST(KeyWrapTests, OneBitFaultFailsEveryRecordThatUnwraps) {
  const std::vector<Tree> trees = makeKeyWrapTests<FlippedBlocks>();
  const std::vector<std::string> failing = caseNames(trees, true);
  EXPECT_EQ(failing.size(), 900u - 12u * 15u);
  for (const Tree& t : trees) {
    if (!failureOf(t)) {
      EXPECT_TRUE(contains(t.name(), "_AD_")) << t.name() << " passed";
    }
  }
}

TEST(KeyWrapTests, AnUnwrapThatAcceptsEverythingFailsEveryRefusal) {
  const std::vector<Tree> trees = makeKeyWrapTests<AcceptsEverything>();
  const std::vector<std::string> failing = caseNames(trees, true);
  // The key type's own hooks run every file but the _inv ones: six unwrapping files, fifteen
  // refusals each.
  EXPECT_EQ(failing.size(), 6u * 15u);
  for (const std::string& name : failing) {
    EXPECT_TRUE(contains(name, "_AD_") && !contains(name, "_inv")) << name;
  }
  const auto it = std::find_if(trees.begin(), trees.end(),
                               [](const Tree& t) { return t.name() == "KW_AD_128.txt-128-1"; });
  ASSERT_NE(it, trees.end());
  const auto failure = failureOf(*it);
  ASSERT_TRUE(failure.has_value());
  EXPECT_TRUE(contains(*failure, "KW_AD_128.txt:")) << *failure;
  EXPECT_TRUE(contains(*failure, "keyUnwrap accepted C, which the record marks FAIL")) << *failure;
  EXPECT_EQ(
      describeConstructionImplementations(
          anyBlockCipher<AcceptsEverything>(),
          std::vector<std::string_view>{"keyWrap", "keyUnwrap", "keyWrapPad", "keyUnwrapPad"}),
      "own keyUnwrap/keyUnwrapPad, kavrit keyWrap/keyWrapPad");
}

TEST(KeyWrapTests, MalformedRecordsFailAtTheirLine) {
  ScratchVectorDir data("Test/KAT_KEYWRAP");
  const std::string key = "K = 000102030405060708090a0b0c0d0e0f\n";
  const std::string c = "C = 000102030405060708090a0b0c0d0e0f0001020304050607\n";
  data.write("KW_AD_128.txt", "[PLAINTEXT LENGTH = 128]\n\nCOUNT = 0\n" + key + c + "\n");
  data.write("KW_AE_128.txt", "[PLAINTEXT LENGTH = 128]\n\nCOUNT = 3\n" + key + c + "FAIL\n\n");
  data.write("TKW_AD.txt", "COUNT = 0\n" + key + c + "FAIL\n");
  const std::vector<Tree> trees = makeKeyWrapTests<examples::AES128>();
  ASSERT_EQ(caseNames(trees).size(), 2u);
  for (const Tree& t : trees) {
    const auto failure = failureOf(t);
    ASSERT_TRUE(failure.has_value()) << t.name();
    if (t.name() == "KW_AD_128.txt-128-0") {
      EXPECT_TRUE(contains(*failure, data.path("KW_AD_128.txt") + ":3:")) << *failure;
      EXPECT_TRUE(contains(*failure, "neither P nor FAIL")) << *failure;
    } else {
      EXPECT_EQ(t.name(), "KW_AE_128.txt-128-3");
      EXPECT_TRUE(contains(*failure, "a wrapping record marked FAIL")) << *failure;
    }
  }
}

}  // namespace
}  // namespace kavrit::test
