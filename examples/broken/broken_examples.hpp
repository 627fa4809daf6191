#pragma once

// Deliberately broken adapters, to show what the suites report when an implementation is wrong.
// Each wraps a correct OpenSSL adapter and introduces one realistic bug.

#include <optional>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::examples {

/// AES-128 whose decryption flips the lowest bit of the first byte of every block.
class BrokenDecryptAES128 {
 public:
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }
  static std::optional<BrokenDecryptAES128> buildKey(const ByteString& key) {
    auto inner = AES128::buildKey(key);
    if (!inner) return std::nullopt;
    return BrokenDecryptAES128(*inner);
  }
  ByteString encryptBlock(const ByteString& in) const { return inner_.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const {
    ByteString out = inner_.decryptBlock(in);
    for (std::size_t i = 0; i < out.size(); i += 16) out[i] ^= 1;
    return out;
  }

 private:
  explicit BrokenDecryptAES128(AES128 inner) : inner_(std::move(inner)) {}
  AES128 inner_;
};

/// SHA-256 whose chunked entry point loses the last byte of a message that spans chunks.
class BrokenChunkedSHA256 {
 public:
  static constexpr long outputLength() { return 256; }
  static constexpr long blockLength() { return 512; }
  static BrokenChunkedSHA256 hash(const LazyByteString& message) {
    if (message.chunks().size() < 2) return BrokenChunkedSHA256(SHA256::hash(message));
    ByteString all = message.flatten();
    all.pop_back();
    return BrokenChunkedSHA256(SHA256::hashStrict(all));
  }
  static BrokenChunkedSHA256 hashStrict(const ByteString& message) {
    return BrokenChunkedSHA256(SHA256::hashStrict(message));
  }
  ByteString serialize() const { return inner_.serialize(); }
  static std::optional<BrokenChunkedSHA256> parse(const ByteString& bytes) {
    auto inner = SHA256::parse(bytes);
    if (!inner) return std::nullopt;
    return BrokenChunkedSHA256(*inner);
  }
  friend bool operator==(const BrokenChunkedSHA256&, const BrokenChunkedSHA256&) = default;

 private:
  explicit BrokenChunkedSHA256(SHA256 inner) : inner_(std::move(inner)) {}
  SHA256 inner_;
};

}  // namespace kavrit::examples
