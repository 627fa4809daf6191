// The SM4 and SEED adapters: the published known answers through OpenSSL and Botan, OpenSSL
// against Botan on random keys and blocks, and SEED's loading of OpenSSL's legacy provider.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>

#include "botan_block_ciphers.hpp"
#include "cipher_kat_support.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/hex.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_seed.hpp"
#include "openssl/openssl_sm4.hpp"

namespace kavrit::test {
namespace {

using examples::OpenSSLSEED;
using examples::OpenSSLSM4;

static_assert(BlockCipher<OpenSSLSM4> && BlockCipher<OpenSSLSEED>);
static_assert(BlockCipher<BotanSM4> && BlockCipher<BotanSEED>);

template <class K>
void knownAnswer(const char* key, const char* plaintext, const char* ciphertext) {
  const std::optional<K> k = K::buildKey(hexStringToBS(key));
  ASSERT_TRUE(k.has_value());
  EXPECT_EQ(toHex(k->encryptBlock(hexStringToBS(plaintext))), ciphertext);
  EXPECT_EQ(toHex(k->decryptBlock(hexStringToBS(ciphertext))), plaintext);
  // Two blocks at once: each is ciphered on its own, under the same schedule.
  const std::string twice = std::string(ciphertext) + ciphertext;
  EXPECT_EQ(toHex(k->encryptBlock(hexStringToBS(std::string(plaintext) + plaintext))), twice);
}

// GB/T 32907, appendix A, example 1.
constexpr const char* kSM4Key = "0123456789abcdeffedcba9876543210";
constexpr const char* kSM4Ciphertext = "681edf34d206965e86b3e94f536e4246";
// RFC 4269, appendix B, first vector.
constexpr const char* kSEEDKey = "00000000000000000000000000000000";
constexpr const char* kSEEDPlaintext = "000102030405060708090a0b0c0d0e0f";
constexpr const char* kSEEDCiphertext = "5ebac6e0054e166819aff1cc6d346cdb";

TEST(SM4Adapters, KnownAnswer) {
  knownAnswer<OpenSSLSM4>(kSM4Key, kSM4Key, kSM4Ciphertext);
  knownAnswer<BotanSM4>(kSM4Key, kSM4Key, kSM4Ciphertext);
}

TEST(SEEDAdapters, KnownAnswer) {
  knownAnswer<OpenSSLSEED>(kSEEDKey, kSEEDPlaintext, kSEEDCiphertext);
  knownAnswer<BotanSEED>(kSEEDKey, kSEEDPlaintext, kSEEDCiphertext);
}

// Both directions on unrelated data: a decryption that only inverts this adapter's own encryption
// would pass a round trip but not this.
template <class OpenSSLKey, class BotanKey>
void agree(unsigned seed) {
  std::mt19937 rng(seed);
  for (int i = 0; i < 300; ++i) {
    const ByteString key = support::randomBytes(rng, 16);
    const ByteString blocks = support::randomBytes(rng, 16 * (1 + rng() % 4));
    const std::optional<OpenSSLKey> ours = OpenSSLKey::buildKey(key);
    const std::optional<BotanKey> theirs = BotanKey::buildKey(key);
    ASSERT_TRUE(ours && theirs);
    ASSERT_EQ(toHex(ours->encryptBlock(blocks)), toHex(theirs->encryptBlock(blocks)))
        << "key " << toHex(key);
    ASSERT_EQ(toHex(ours->decryptBlock(blocks)), toHex(theirs->decryptBlock(blocks)))
        << "key " << toHex(key);
  }
}

TEST(SM4Adapters, OpenSSLAgreesWithBotan) { agree<OpenSSLSM4, BotanSM4>(0x5341); }
TEST(SEEDAdapters, OpenSSLAgreesWithBotan) { agree<OpenSSLSEED, BotanSEED>(0x5eed); }

TEST(SM4Adapters, OnlySixteenByteKeys) {
  for (const std::size_t n : {0U, 15U, 17U, 24U, 32U}) {
    EXPECT_FALSE(OpenSSLSM4::buildKey(ByteString(n)).has_value()) << n;
    EXPECT_FALSE(OpenSSLSEED::buildKey(ByteString(n)).has_value()) << n;
  }
}

// The provider matters only in a process that has not touched OpenSSL yet, so each check runs in
// a fresh one (a death test of the "threadsafe" style starts the binary anew).
const ByteString kZeroKey(16);

TEST(SEEDAdapters, LoadingLegacyKeepsTheDefaultProvider) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        OpenSSLSEED::buildKey(kZeroKey);
        // FIPS-197, appendix C.1, whose key is the SEED plaintext above.
        const auto aes = examples::AES128::buildKey(hexStringToBS(kSEEDPlaintext));
        const bool right =
            toHex(aes->encryptBlock(hexStringToBS("00112233445566778899aabbccddeeff"))) ==
            "69c4e0d86a7b0430d8cdb78070b4c55a";
        std::exit(right ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(SEEDAdapters, WithoutTheLegacyProviderBuildKeyThrows) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("OPENSSL_MODULES", "/nonexistent/kavrit-tests", 1);
        // _Exit: OpenSSL keeps what a failed provider load allocated, which LeakSanitizer's
        // check at exit would report as a leak of this child.
        try {
          OpenSSLSEED::buildKey(kZeroKey);
        } catch (const std::runtime_error& e) {
          std::cerr << e.what() << std::endl;
          std::_Exit(0);
        }
        std::_Exit(1);
      },
      testing::ExitedWithCode(0), "cannot load the legacy provider");
}

}  // namespace
}  // namespace kavrit::test
