#pragma once

// SEED (RFC 4269) over OpenSSL's EVP ECB, adapted to kavrit::BlockCipher. Only the raw block
// operations are adapted; kavrit supplies the modes on top of them.
//
// OpenSSL 3 keeps SEED in its legacy provider, which this adapter loads on the first key it
// builds. Without that provider (no legacy.so where OpenSSL looks for modules, or OPENSSL_MODULES
// pointing elsewhere) buildKey throws std::runtime_error.

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>

#include "kavrit/block_cipher.hpp"

namespace kavrit::examples {

class OpenSSLSEED {
 public:
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }

  /// Accepts exactly 16 bytes. Throws std::runtime_error when OpenSSL's legacy provider cannot be
  /// loaded.
  static std::optional<OpenSSLSEED> buildKey(const ByteString& key) {
    if (key.size() != 16) return std::nullopt;
    return OpenSSLSEED(key);
  }

  ByteString encryptBlock(const ByteString& in) const { return apply(*encrypt_, in); }
  ByteString decryptBlock(const ByteString& in) const { return apply(*decrypt_, in); }

 private:
  using Context = std::shared_ptr<EVP_CIPHER_CTX>;

  explicit OpenSSLSEED(const ByteString& key)
      : encrypt_(context(key, 1)), decrypt_(context(key, 0)) {}

  // Loaded once per process and never released: keys held by static objects may still be used
  // while the process exits, and OpenSSL's own exit handler frees the providers anyway.
  struct Provided {
    EVP_CIPHER* seed = nullptr;
    const char* problem = nullptr;
  };

  static Provided load() {
    Provided p;
    // Loading any provider by hand turns off the implicit default one, which would take AES, SHA
    // and the rest away from everything else in the process; so default goes in first.
    if (OSSL_PROVIDER_load(nullptr, "default") == nullptr) {
      p.problem =
          "OpenSSL: cannot load the default provider, needed beside the legacy one for SEED";
    } else if (OSSL_PROVIDER_load(nullptr, "legacy") == nullptr) {
      p.problem =
          "OpenSSL: cannot load the legacy provider, which has SEED (is legacy.so in OpenSSL's "
          "modules directory, or in OPENSSL_MODULES when that is set?)";
    } else if ((p.seed = EVP_CIPHER_fetch(nullptr, "SEED-ECB", nullptr)) == nullptr) {
      p.problem = "OpenSSL: the legacy provider is loaded but has no SEED-ECB";
    }
    // A failed load leaves its reasons queued, where the next unrelated check would find them.
    ERR_clear_error();
    return p;
  }

  static const EVP_CIPHER* cipher() {
    static const Provided provided = load();
    if (provided.seed == nullptr) throw std::runtime_error(provided.problem);
    return provided.seed;
  }

  // The key schedule runs once per key; without padding, ECB keeps no state between updates, so
  // the context serves every later call. Copies of the key share the contexts.
  static Context context(const ByteString& key, int encrypt) {
    const EVP_CIPHER* seed = cipher();
    Context ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    if (!ctx || EVP_CipherInit_ex(ctx.get(), seed, nullptr, key.data(), nullptr, encrypt) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1) {
      throw std::runtime_error("OpenSSL: cannot set up SEED");
    }
    return ctx;
  }

  static ByteString apply(EVP_CIPHER_CTX& ctx, const ByteString& in) {
    if (in.size() % 16 != 0) throw std::invalid_argument("SEED: input is not whole blocks");
    ByteString out(in.size());
    int written = 0;
    if (!in.empty() && (EVP_CipherUpdate(&ctx, out.data(), &written, in.data(),
                                         static_cast<int>(in.size())) != 1 ||
                        static_cast<std::size_t>(written) != in.size())) {
      throw std::runtime_error("OpenSSL: SEED block operation failed");
    }
    return out;
  }

  Context encrypt_;
  Context decrypt_;
};

}  // namespace kavrit::examples
