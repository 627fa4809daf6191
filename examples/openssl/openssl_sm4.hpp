#pragma once

// SM4 (GB/T 32907) over OpenSSL's EVP ECB, adapted to kavrit::BlockCipher. Only the raw block
// operations are adapted; kavrit supplies the modes on top of them.

#include <openssl/evp.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>

#include "kavrit/block_cipher.hpp"

namespace kavrit::examples {

class OpenSSLSM4 {
 public:
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }

  /// Accepts exactly 16 bytes.
  static std::optional<OpenSSLSM4> buildKey(const ByteString& key) {
    if (key.size() != 16) return std::nullopt;
    return OpenSSLSM4(key);
  }

  ByteString encryptBlock(const ByteString& in) const { return apply(*encrypt_, in); }
  ByteString decryptBlock(const ByteString& in) const { return apply(*decrypt_, in); }

 private:
  using Context = std::shared_ptr<EVP_CIPHER_CTX>;

  explicit OpenSSLSM4(const ByteString& key)
      : encrypt_(context(key, 1)), decrypt_(context(key, 0)) {}

  // The key schedule runs once per key; without padding, ECB keeps no state between updates, so
  // the context serves every later call. Copies of the key share the contexts.
  static Context context(const ByteString& key, int encrypt) {
    Context ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), EVP_sm4_ecb(), nullptr, key.data(), nullptr, encrypt) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1) {
      throw std::runtime_error("OpenSSL: cannot set up SM4");
    }
    return ctx;
  }

  static ByteString apply(EVP_CIPHER_CTX& ctx, const ByteString& in) {
    if (in.size() % 16 != 0) throw std::invalid_argument("SM4: input is not whole blocks");
    ByteString out(in.size());
    int written = 0;
    if (!in.empty() && (EVP_CipherUpdate(&ctx, out.data(), &written, in.data(),
                                         static_cast<int>(in.size())) != 1 ||
                        static_cast<std::size_t>(written) != in.size())) {
      throw std::runtime_error("OpenSSL: SM4 block operation failed");
    }
    return out;
  }

  Context encrypt_;
  Context decrypt_;
};

}  // namespace kavrit::examples
