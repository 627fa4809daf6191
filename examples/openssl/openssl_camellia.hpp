#pragma once

// Camellia-128, Camellia-192 and Camellia-256 key types over OpenSSL's EVP ECB, adapted to
// kavrit::BlockCipher. Only the raw block operations are adapted; kavrit supplies the modes on top
// of them.

#include <openssl/evp.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>

#include "kavrit/block_cipher.hpp"

namespace kavrit::examples {

template <long KeyBits>
class OpenSSLCamellia {
  static_assert(KeyBits == 128 || KeyBits == 192 || KeyBits == 256,
                "Camellia takes 128-, 192- or 256-bit keys");

 public:
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return KeyBits; }

  /// Accepts exactly KeyBits / 8 bytes.
  static std::optional<OpenSSLCamellia> buildKey(const ByteString& key) {
    if (key.size() != static_cast<std::size_t>(KeyBits / 8)) return std::nullopt;
    return OpenSSLCamellia(key);
  }

  ByteString encryptBlock(const ByteString& in) const { return apply(*encrypt_, in); }
  ByteString decryptBlock(const ByteString& in) const { return apply(*decrypt_, in); }

 private:
  using Context = std::shared_ptr<EVP_CIPHER_CTX>;

  explicit OpenSSLCamellia(const ByteString& key)
      : encrypt_(context(key, 1)), decrypt_(context(key, 0)) {}

  static const EVP_CIPHER* cipher() {
    if constexpr (KeyBits == 128) return EVP_camellia_128_ecb();
    if constexpr (KeyBits == 192) return EVP_camellia_192_ecb();
    if constexpr (KeyBits == 256) return EVP_camellia_256_ecb();
  }

  // The key schedule runs once per key; without padding, ECB keeps no state between updates, so
  // the context serves every later call. Copies of the key share the contexts.
  static Context context(const ByteString& key, int encrypt) {
    Context ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), cipher(), nullptr, key.data(), nullptr, encrypt) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1) {
      throw std::runtime_error("OpenSSL: cannot set up Camellia");
    }
    return ctx;
  }

  static ByteString apply(EVP_CIPHER_CTX& ctx, const ByteString& in) {
    if (in.size() % 16 != 0) throw std::invalid_argument("Camellia: input is not whole blocks");
    ByteString out(in.size());
    int written = 0;
    if (!in.empty() && (EVP_CipherUpdate(&ctx, out.data(), &written, in.data(),
                                         static_cast<int>(in.size())) != 1 ||
                        static_cast<std::size_t>(written) != in.size())) {
      throw std::runtime_error("OpenSSL: Camellia block operation failed");
    }
    return out;
  }

  Context encrypt_;
  Context decrypt_;
};

using Camellia128 = OpenSSLCamellia<128>;
using Camellia192 = OpenSSLCamellia<192>;
using Camellia256 = OpenSSLCamellia<256>;

}  // namespace kavrit::examples
