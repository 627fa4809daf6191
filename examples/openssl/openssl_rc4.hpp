#pragma once

// RC4 over OpenSSL's EVP, adapted to kavrit::StreamCipher: no nonce, no counter, a keystream that
// never ends. OpenSSL 3 keeps RC4 in its legacy provider; the first stream started loads it when
// the providers in use lack RC4, and throws std::runtime_error naming RC4 when it cannot.

#include <openssl/evp.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>

#include "kavrit/stream_cipher.hpp"
#include "openssl/openssl_evp_support.hpp"

namespace kavrit::examples {

class OpenSSLRC4 {
 public:
  static constexpr long keyLength() { return 128; }
  /// RC4 takes keys of 5 to 256 bytes.
  static constexpr bool acceptsKeyLength(long bits) {
    return bits % 8 == 0 && bits >= 40 && bits <= 2048;
  }
  static constexpr long nonceLength() { return 0; }
  static constexpr long counterLength() { return 0; }
  static constexpr long blockLength() { return 8; }

  /// Takes keys of 5 to 256 bytes (40 to 2048 bits), an empty nonce and counter 0.
  static std::optional<OpenSSLRC4> start(const ByteString& key, const ByteString& nonce,
                                         std::uint64_t counter) {
    if (key.size() < 5 || key.size() > 256 || !nonce.empty() || counter != 0) return std::nullopt;
    openssl_evp::CipherContext ctx;
    if (EVP_EncryptInit_ex(ctx.get(), openssl_fetch::fetchedCipher<kName>(), nullptr, nullptr,
                           nullptr) != 1 ||
        EVP_CIPHER_CTX_set_key_length(ctx.get(), static_cast<int>(key.size())) != 1 ||
        EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, key.data(), nullptr) != 1) {
      throw std::runtime_error("OpenSSL: cannot set up RC4");
    }
    return OpenSSLRC4(std::move(ctx));
  }

  std::optional<ByteString> apply(const ByteString& data) {
    ByteString out(data.size());
    openssl_evp::update(ctx_.get(), out.data(), data.data(), data.size(), "RC4");
    return out;
  }

 private:
  static constexpr char kName[] = "RC4";

  explicit OpenSSLRC4(openssl_evp::CipherContext ctx) : ctx_(std::move(ctx)) {}

  openssl_evp::CipherContext ctx_;
};

}  // namespace kavrit::examples
