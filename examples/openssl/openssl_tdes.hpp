#pragma once

// Triple-DES key types over OpenSSL's EVP ECB, adapted to kavrit::BlockCipher: three-key
// (DES-EDE3, a 24-byte key K1||K2||K3) and two-key (DES-EDE, a 16-byte key K1||K2, K3 = K1).
// Both are in OpenSSL 3's default provider. Only the raw block operations are adapted; kavrit
// supplies the modes on top of them.

#include <openssl/evp.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>

#include "kavrit/block_cipher.hpp"

namespace kavrit::examples {

template <long KeyBits>
class OpenSSLTripleDES {
  static_assert(KeyBits == 128 || KeyBits == 192, "Triple-DES takes 128- or 192-bit keys");

 public:
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return KeyBits; }

  /// Accepts exactly KeyBits / 8 bytes; parity bits are not checked.
  static std::optional<OpenSSLTripleDES> buildKey(const ByteString& key) {
    if (key.size() != static_cast<std::size_t>(KeyBits / 8)) return std::nullopt;
    return OpenSSLTripleDES(key);
  }

  ByteString encryptBlock(const ByteString& in) const { return apply(*encrypt_, in); }
  ByteString decryptBlock(const ByteString& in) const { return apply(*decrypt_, in); }

 private:
  using Context = std::shared_ptr<EVP_CIPHER_CTX>;

  explicit OpenSSLTripleDES(const ByteString& key)
      : encrypt_(context(key, 1)), decrypt_(context(key, 0)) {}

  static const EVP_CIPHER* cipher() {
    if constexpr (KeyBits == 128) return EVP_des_ede_ecb();
    if constexpr (KeyBits == 192) return EVP_des_ede3_ecb();
  }

  // The key schedule runs once per key; without padding, ECB keeps no state between updates, so
  // the context serves every later call. Copies of the key share the contexts.
  static Context context(const ByteString& key, int encrypt) {
    Context ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), cipher(), nullptr, key.data(), nullptr, encrypt) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1) {
      throw std::runtime_error("OpenSSL: cannot set up Triple-DES");
    }
    return ctx;
  }

  static ByteString apply(EVP_CIPHER_CTX& ctx, const ByteString& in) {
    if (in.size() % 8 != 0) throw std::invalid_argument("Triple-DES: input is not whole blocks");
    ByteString out(in.size());
    int written = 0;
    if (!in.empty() && (EVP_CipherUpdate(&ctx, out.data(), &written, in.data(),
                                         static_cast<int>(in.size())) != 1 ||
                        static_cast<std::size_t>(written) != in.size())) {
      throw std::runtime_error("OpenSSL: Triple-DES block operation failed");
    }
    return out;
  }

  Context encrypt_;
  Context decrypt_;
};

using TripleDES2 = OpenSSLTripleDES<128>;
using TripleDES3 = OpenSSLTripleDES<192>;

}  // namespace kavrit::examples
