#pragma once

// XChaCha20-Poly1305 (draft-irtf-cfrg-xchacha) over OpenSSL, which has no XChaCha of its own:
// HChaCha20 of the key and the nonce's first 16 bytes (written here) gives the subkey, and
// OpenSSL's ChaCha20-Poly1305, through its adapter, runs under it with the nonce 0x00000000 ||
// the nonce's last 8 bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "kavrit/aead.hpp"
#include "openssl/openssl_chacha20.hpp"

namespace kavrit::examples {

/// HChaCha20: the ChaCha20 state of a 32-byte key and a 16-byte input, 20 rounds without the
/// final addition, words 0-3 and 12-15 out, little-endian.
inline ByteString hchacha20(const ByteString& key, const std::uint8_t* input) {
  const auto load = [](const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
  };
  std::array<std::uint32_t, 16> x{0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};
  for (std::size_t i = 0; i < 8; ++i) x[4 + i] = load(key.data() + 4 * i);
  for (std::size_t i = 0; i < 4; ++i) x[12 + i] = load(input + 4 * i);
  const auto rotl = [](std::uint32_t v, int n) { return v << n | v >> (32 - n); };
  const auto quarter = [&](std::size_t a, std::size_t b, std::size_t c, std::size_t d) {
    x[a] += x[b], x[d] = rotl(x[d] ^ x[a], 16);
    x[c] += x[d], x[b] = rotl(x[b] ^ x[c], 12);
    x[a] += x[b], x[d] = rotl(x[d] ^ x[a], 8);
    x[c] += x[d], x[b] = rotl(x[b] ^ x[c], 7);
  };
  for (int round = 0; round < 10; ++round) {
    quarter(0, 4, 8, 12), quarter(1, 5, 9, 13), quarter(2, 6, 10, 14), quarter(3, 7, 11, 15);
    quarter(0, 5, 10, 15), quarter(1, 6, 11, 12), quarter(2, 7, 8, 13), quarter(3, 4, 9, 14);
  }
  ByteString out;
  for (std::size_t word : {0, 1, 2, 3, 12, 13, 14, 15}) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(x[word] >> (8 * i)));
  }
  return out;
}

/// XChaCha20-Poly1305: a 256-bit key, 192-bit nonces only, 128-bit tags.
class OpenSSLXChaCha20Poly1305 {
 public:
  static constexpr long keyLength() { return 256; }
  static constexpr long nonceLength() { return 192; }
  static constexpr bool acceptsNonceLength(long bits) { return bits == 192; }
  static constexpr long tagLength() { return 128; }

  static std::optional<OpenSSLXChaCha20Poly1305> buildKey(const ByteString& key) {
    if (key.size() != 32) return std::nullopt;
    return OpenSSLXChaCha20Poly1305(key);
  }

  AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                  const ByteString& plaintext) const {
    if (nonce.size() != 24) {
      throw std::invalid_argument("OpenSSLXChaCha20Poly1305::seal: a nonce of " +
                                  std::to_string(nonce.size()) + " bytes; this AEAD takes 24");
    }
    return inner(nonce).seal(innerNonce(nonce), aad, plaintext);
  }

  std::optional<ByteString> open(const ByteString& nonce, const ByteString& aad,
                                 const ByteString& ciphertext, const ByteString& tag) const {
    if (nonce.size() != 24) return std::nullopt;
    return inner(nonce).open(innerNonce(nonce), aad, ciphertext, tag);
  }

 private:
  explicit OpenSSLXChaCha20Poly1305(ByteString key) : key_(std::move(key)) {}

  examples::OpenSSLChaCha20Poly1305 inner(const ByteString& nonce) const {
    return *examples::OpenSSLChaCha20Poly1305::buildKey(hchacha20(key_, nonce.data()));
  }
  static ByteString innerNonce(const ByteString& nonce) {
    ByteString n(4, 0);
    n.insert(n.end(), nonce.begin() + 16, nonce.end());
    return n;
  }

  ByteString key_;
};

}  // namespace kavrit::examples
