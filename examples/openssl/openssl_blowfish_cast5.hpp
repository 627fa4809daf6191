#pragma once

// Blowfish and CAST5 over OpenSSL's EVP ECB, adapted to kavrit::BlockCipher with every key length
// each cipher takes (Blowfish 32 to 448 bits, CAST5 40 to 128, in whole bytes). Only the raw block
// operations are adapted; kavrit supplies the modes on top of them.
//
// OpenSSL 3 keeps both in its legacy provider, loaded on the first key built, as OpenSSLSEED does.
// EVP fixes a cipher's key length at 16 bytes until EVP_CIPHER_CTX_set_key_length changes it;
// without that call a shorter key would be read past its end and a longer one cut short.

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "kavrit/block_cipher.hpp"

namespace kavrit::examples {

namespace detail {

// The legacy provider's cipher named `name` (such as "BF-ECB"); loaded once per process and never
// released, as in OpenSSLSEED. Throws std::runtime_error when it cannot be had.
inline const EVP_CIPHER* legacyCipher(const char* name) {
  if (OSSL_PROVIDER_load(nullptr, "default") == nullptr ||
      OSSL_PROVIDER_load(nullptr, "legacy") == nullptr) {
    ERR_clear_error();
    throw std::runtime_error(
        "OpenSSL: cannot load the legacy provider (with the default one beside it), which has " +
        std::string(name));
  }
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
  ERR_clear_error();
  if (cipher == nullptr)
    throw std::runtime_error("OpenSSL: the legacy provider has no " + std::string(name));
  return cipher;
}

}  // namespace detail

/// `Traits` gives the EVP name, the key lengths in bytes and the name in error messages.
template <class Traits>
class OpenSSLVariableKeyCipher {
 public:
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 128; }
  static constexpr bool acceptsKeyLength(long bits) {
    return bits % 8 == 0 && bits >= 8 * Traits::kMinKeyBytes && bits <= 8 * Traits::kMaxKeyBytes;
  }

  /// Accepts keys of the lengths acceptsKeyLength declares. Throws std::runtime_error when
  /// OpenSSL's legacy provider cannot be loaded.
  static std::optional<OpenSSLVariableKeyCipher> buildKey(const ByteString& key) {
    if (!acceptsKeyLength(8 * static_cast<long>(key.size()))) return std::nullopt;
    return OpenSSLVariableKeyCipher(key);
  }

  ByteString encryptBlock(const ByteString& in) const { return apply(*encrypt_, in); }
  ByteString decryptBlock(const ByteString& in) const { return apply(*decrypt_, in); }

 private:
  using Context = std::shared_ptr<EVP_CIPHER_CTX>;

  explicit OpenSSLVariableKeyCipher(const ByteString& key)
      : encrypt_(context(key, 1)), decrypt_(context(key, 0)) {}

  static const EVP_CIPHER* cipher() {
    static const EVP_CIPHER* const loaded = detail::legacyCipher(Traits::kName);
    return loaded;
  }

  // The key length is set between two inits: the first picks the cipher, the second the key.
  static Context context(const ByteString& key, int encrypt) {
    Context ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    if (!ctx || EVP_CipherInit_ex(ctx.get(), cipher(), nullptr, nullptr, nullptr, encrypt) != 1 ||
        EVP_CIPHER_CTX_set_key_length(ctx.get(), static_cast<int>(key.size())) != 1 ||
        EVP_CipherInit_ex(ctx.get(), nullptr, nullptr, key.data(), nullptr, encrypt) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1) {
      ERR_clear_error();
      throw std::runtime_error(std::string("OpenSSL: cannot set up ") + Traits::kName + " with a " +
                               std::to_string(key.size()) + "-byte key");
    }
    return ctx;
  }

  static ByteString apply(EVP_CIPHER_CTX& ctx, const ByteString& in) {
    if (in.size() % 8 != 0) {
      throw std::invalid_argument(std::string(Traits::kName) + ": input is not whole blocks");
    }
    ByteString out(in.size());
    int written = 0;
    if (!in.empty() && (EVP_CipherUpdate(&ctx, out.data(), &written, in.data(),
                                         static_cast<int>(in.size())) != 1 ||
                        static_cast<std::size_t>(written) != in.size())) {
      throw std::runtime_error(std::string("OpenSSL: ") + Traits::kName +
                               " block operation failed");
    }
    return out;
  }

  Context encrypt_;
  Context decrypt_;
};

struct OpenSSLBlowfishTraits {
  static constexpr const char* kName = "BF-ECB";
  static constexpr long kMinKeyBytes = 4;
  static constexpr long kMaxKeyBytes = 56;
};
struct OpenSSLCAST5Traits {
  static constexpr const char* kName = "CAST5-ECB";
  static constexpr long kMinKeyBytes = 5;
  static constexpr long kMaxKeyBytes = 16;
};

using OpenSSLBlowfish = OpenSSLVariableKeyCipher<OpenSSLBlowfishTraits>;
using OpenSSLCAST5 = OpenSSLVariableKeyCipher<OpenSSLCAST5Traits>;

}  // namespace kavrit::examples
