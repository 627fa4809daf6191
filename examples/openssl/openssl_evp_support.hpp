#pragma once

// What the OpenSSL adapters share: fetching an algorithm by name, with OpenSSL 3's legacy provider
// loaded when the providers in use lack it (RIPEMD-160 before 3.0.7, RC4), and a cipher context
// that copies deeply, for stream types whose copies go on independently.

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace kavrit::examples::openssl_fetch {

// `fetch(nullptr, name, nullptr)`, and when that finds nothing, the same after loading the default
// and legacy providers; null when it is still missing.
template <class Algorithm>
Algorithm* fetchWithLegacy(Algorithm* (*fetch)(OSSL_LIB_CTX*, const char*, const char*),
                           const char* name) {
  Algorithm* found = fetch(nullptr, name, nullptr);
  if (found == nullptr) {
    // Loading a provider by hand turns off the implicit default one, so default goes in first.
    if (OSSL_PROVIDER_load(nullptr, "default") != nullptr) {
      (void)OSSL_PROVIDER_load(nullptr, "legacy");
    }
    found = fetch(nullptr, name, nullptr);
  }
  // A failed fetch or load leaves its reasons queued, where the next unrelated check would find
  // them.
  ERR_clear_error();
  return found;
}

[[noreturn]] inline void throwMissing(const char* kind, const char* name) {
  throw std::runtime_error(std::string("OpenSSL: no ") + kind + " " + name +
                           " in the default or legacy provider (is legacy.so in OpenSSL's "
                           "modules directory, or in OPENSSL_MODULES when that is set?)");
}

inline const EVP_CIPHER* fetchCipher(const char* name) {
  const EVP_CIPHER* cipher = fetchWithLegacy(EVP_CIPHER_fetch, name);
  if (cipher == nullptr) throwMissing("cipher", name);
  return cipher;
}

// The cipher named `Name`, fetched on first use and kept for the process (OpenSSL's exit handler
// frees the providers); a failed fetch is tried again on the next use.
template <const char* Name>
const EVP_CIPHER* fetchedCipher() {
  static const EVP_CIPHER* const cipher = fetchCipher(Name);
  return cipher;
}

}  // namespace kavrit::examples::openssl_fetch

namespace kavrit::examples::openssl_evp {

// An EVP_CIPHER_CTX owned by value: a copy is EVP_CIPHER_CTX_copy of the original, at the same
// place in its stream.
class CipherContext {
 public:
  CipherContext() : ctx_(EVP_CIPHER_CTX_new()) {
    if (!ctx_) throw std::bad_alloc();
  }
  CipherContext(const CipherContext& other) : CipherContext() {
    if (EVP_CIPHER_CTX_copy(ctx_.get(), other.get()) != 1) {
      throw std::runtime_error("OpenSSL: cannot copy a cipher context");
    }
  }
  CipherContext(CipherContext&&) noexcept = default;
  CipherContext& operator=(const CipherContext& other) {
    if (this != &other) *this = CipherContext(other);
    return *this;
  }
  CipherContext& operator=(CipherContext&&) noexcept = default;
  ~CipherContext() = default;

  [[nodiscard]] EVP_CIPHER_CTX* get() const noexcept { return ctx_.get(); }

 private:
  struct Free {
    void operator()(EVP_CIPHER_CTX* ctx) const noexcept { EVP_CIPHER_CTX_free(ctx); }
  };
  std::unique_ptr<EVP_CIPHER_CTX, Free> ctx_;
};

// EVP_CipherUpdate over `length` bytes, in pieces an int can count; `out` null for AAD. Throws
// std::runtime_error naming `what` when OpenSSL fails or writes other than it was given.
inline void update(EVP_CIPHER_CTX* ctx, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t length, const char* what) {
  while (length > 0) {
    const std::size_t piece = std::min<std::size_t>(length, INT_MAX / 2);
    int written = 0;
    if (EVP_CipherUpdate(ctx, out, &written, in, static_cast<int>(piece)) != 1 ||
        (out != nullptr && static_cast<std::size_t>(written) != piece)) {
      throw std::runtime_error(std::string("OpenSSL: ") + what + " update failed");
    }
    in += piece;
    if (out != nullptr) out += piece;
    length -= piece;
  }
}

// What an AEAD's seal does with a nonce of a length it does not take.
inline void requireNonce(const char* what, std::size_t bytes, std::size_t takes) {
  if (bytes != takes) {
    throw std::invalid_argument(std::string(what) + ": a nonce of " + std::to_string(bytes) +
                                " bytes; this AEAD takes " + std::to_string(takes));
  }
}

}  // namespace kavrit::examples::openssl_evp
