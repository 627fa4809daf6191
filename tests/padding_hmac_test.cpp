#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstdint>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/padding.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit {
namespace {

using examples::SHA256;

ByteString text(const std::string& s) { return ByteString(s.begin(), s.end()); }

TEST(PadESP, RoundTripsAndFillsWholeBlocks) {
  for (const std::size_t block : {16, 8, 1}) {
    for (std::size_t n = 0; n <= 40; ++n) {
      SCOPED_TRACE("block " + std::to_string(block) + ", length " + std::to_string(n));
      ByteString message(n);
      for (std::size_t i = 0; i < n; ++i) message[i] = static_cast<std::uint8_t>(0xf0 - i);
      const ByteString padded = padESPBlockSize(block, message);
      EXPECT_EQ(padded.size() % block, 0U);
      // At least the length byte, never a whole block more than needed.
      EXPECT_GT(padded.size(), n);
      EXPECT_LE(padded.size(), n + block);
      EXPECT_EQ(ByteString(padded.begin(), padded.begin() + static_cast<std::ptrdiff_t>(n)),
                message);
      EXPECT_EQ(unpadESP(padded), std::optional<ByteString>(message));
    }
  }
}

TEST(PadESP, PadBytesCountFromOne) {
  EXPECT_EQ(padESPBlockSize(8, text("abc")), (ByteString{'a', 'b', 'c', 1, 2, 3, 4, 4}));
  EXPECT_EQ(padESPBlockSize(8, text("abcdefg")),
            (ByteString{'a', 'b', 'c', 'd', 'e', 'f', 'g', 0}));
  EXPECT_EQ(padESPBlockSize(4, text("abcd")), (ByteString{'a', 'b', 'c', 'd', 1, 2, 3, 3}));
  // The largest block whose pad length still fits in the length byte.
  const ByteString full = padESPBlockSize(256, {});
  ASSERT_EQ(full.size(), 256U);
  EXPECT_EQ(full[0], 1);
  EXPECT_EQ(full[254], 255);
  EXPECT_EQ(full[255], 255);
  EXPECT_EQ(unpadESP(full), std::optional<ByteString>(ByteString{}));
}

TEST(PadESP, BlockSizesWithoutAPadLengthByteAreRejected) {
  EXPECT_THROW((void)padESPBlockSize(0, text("abc")), std::invalid_argument);
  EXPECT_THROW((void)padESPBlockSize(257, text("abc")), std::invalid_argument);
}

TEST(UnpadESP, RejectsMalformedPadding) {
  EXPECT_EQ(unpadESP({}), std::nullopt);
  // A pad byte out of sequence.
  EXPECT_EQ(unpadESP({'a', 1, 3, 2}), std::nullopt);
  EXPECT_EQ(unpadESP({'a', 'b', 0, 1}), std::nullopt);
  // A length byte claiming more than the input holds, also by exactly one.
  EXPECT_EQ(unpadESP({1, 2, 9}), std::nullopt);
  EXPECT_EQ(unpadESP({1, 2, 3}), std::nullopt);
  // The whole input as padding is fine.
  EXPECT_EQ(unpadESP({1, 2, 2}), std::optional<ByteString>(ByteString{}));
}

// RFC 4231 HMAC-SHA-256 test cases 1, 2 and 6 (a key longer than the 64-byte block).
struct Rfc4231Case {
  const char* name;
  ByteString key;
  ByteString data;
  const char* mac;
};

std::vector<Rfc4231Case> rfc4231() {
  return {
      {"1", ByteString(20, 0x0b), text("Hi There"),
       "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
      {"2", text("Jefe"), text("what do ya want for nothing?"),
       "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
      {"6", ByteString(131, 0xaa), text("Test Using Larger Than Block-Size Key - Hash Key First"),
       "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
  };
}

LazyByteString inChunksOf(const ByteString& message, std::size_t n) {
  std::vector<ByteString> chunks;
  for (std::size_t at = 0; at < message.size(); at += n) {
    chunks.emplace_back(
        message.begin() + static_cast<std::ptrdiff_t>(at),
        message.begin() + static_cast<std::ptrdiff_t>(std::min(at + n, message.size())));
  }
  return LazyByteString(std::move(chunks));
}

TEST(Hmac, Rfc4231Sha256) {
  for (const Rfc4231Case& c : rfc4231()) {
    SCOPED_TRACE("test case " + std::string(c.name));
    const MacKey<SHA256> key(c.key);
    EXPECT_EQ(toHex(hmacStrict(key, c.data).serialize()), c.mac);
    EXPECT_EQ(toHex(hmac(key, inChunksOf(c.data, 3)).serialize()), c.mac);
  }
}

ByteString opensslHmac(const ByteString& key, const ByteString& message) {
  ByteString out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  static const std::uint8_t kNoKey = 0;
  if (HMAC(EVP_sha256(), key.empty() ? &kNoKey : key.data(), static_cast<int>(key.size()),
           message.data(), message.size(), out.data(), &length) == nullptr) {
    throw std::runtime_error("OpenSSL HMAC failed");
  }
  out.resize(length);
  return out;
}

// Keys on both sides of the block length, hashed first when longer.
TEST(Hmac, AgreesWithOpenSSLOnRandomKeys) {
  std::mt19937 rng(4231);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<std::size_t> messageLength(0, 300);
  std::uniform_int_distribution<std::size_t> chunk(1, 70);
  for (std::size_t keyLength = 0; keyLength <= 200; ++keyLength) {
    ByteString key(keyLength);
    for (auto& b : key) b = static_cast<std::uint8_t>(byte(rng));
    ByteString message(messageLength(rng));
    for (auto& b : message) b = static_cast<std::uint8_t>(byte(rng));
    const std::string expected = toHex(opensslHmac(key, message));
    const MacKey<SHA256> macKey(key);
    ASSERT_EQ(toHex(hmacStrict(macKey, message).serialize()), expected)
        << "key of " << keyLength << " bytes";
    ASSERT_EQ(toHex(hmac(macKey, inChunksOf(message, chunk(rng))).serialize()), expected)
        << "key of " << keyLength << " bytes";
  }
}

}  // namespace
}  // namespace kavrit
