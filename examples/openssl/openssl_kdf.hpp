#pragma once

// Digest types whose own HKDF and PBKDF2 are OpenSSL's (EVP_KDF "HKDF" and PKCS5_PBKDF2_HMAC),
// given to kavrit as hooks: the suites then test OpenSSL's key derivation instead of kavrit's
// generic one over the digest.

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "kavrit/hash.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::examples {

// Inner's digest, with the static members of Hooks (the hooks) as its own.
template <class Inner, class Hooks>
struct Hooked : Hooks {
  Inner inner;
  static constexpr long outputLength() { return Inner::outputLength(); }
  static constexpr long blockLength() { return Inner::blockLength(); }
  static Hooked hash(const LazyByteString& m) { return Hooked{{}, Inner::hash(m)}; }
  static Hooked hashStrict(const ByteString& m) { return Hooked{{}, Inner::hashStrict(m)}; }
  [[nodiscard]] ByteString serialize() const { return inner.serialize(); }
  static std::optional<Hooked> parse(const ByteString& bytes) {
    if (auto digest = Inner::parse(bytes)) return Hooked{{}, *digest};
    return std::nullopt;
  }
  friend bool operator==(const Hooked& a, const Hooked& b) { return a.inner == b.inner; }
};

// OpenSSL's HKDF (EVP_KDF "HKDF") and PKCS5_PBKDF2_HMAC over the digest Md.
template <const EVP_MD* (*Md)()>
struct OpenSSLKDFs {
  static ByteString hkdfExtract(const ByteString& salt, const ByteString& ikm) {
    return run(EVP_KDF_HKDF_MODE_EXTRACT_ONLY, salt, ikm, {},
               static_cast<std::size_t>(EVP_MD_get_size(Md())));
  }
  static ByteString hkdfExpand(const ByteString& prk, const ByteString& info, std::size_t length) {
    return run(EVP_KDF_HKDF_MODE_EXPAND_ONLY, {}, prk, info, length);
  }
  static ByteString hkdf(const ByteString& salt, const ByteString& ikm, const ByteString& info,
                         std::size_t length) {
    return run(EVP_KDF_HKDF_MODE_EXTRACT_AND_EXPAND, salt, ikm, info, length);
  }
  static ByteString pbkdf2(const ByteString& password, const ByteString& salt,
                           std::uint64_t iterations, std::size_t length) {
    if (iterations == 0 || iterations > INT_MAX || length > INT_MAX) {
      throw std::invalid_argument("OpenSSL PBKDF2: iterations or length out of range");
    }
    ByteString out(length);
    if (PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(password.data()),
                          static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), static_cast<int>(iterations), Md(),
                          static_cast<int>(length), out.data()) != 1) {
      throw std::runtime_error("OpenSSL PBKDF2 failed");
    }
    return out;
  }

 private:
  static ByteString run(int mode, const ByteString& salt, const ByteString& key,
                        const ByteString& info, std::size_t length) {
    const std::unique_ptr<EVP_KDF, void (*)(EVP_KDF*)> kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr),
                                                           EVP_KDF_free);
    const std::unique_ptr<EVP_KDF_CTX, void (*)(EVP_KDF_CTX*)> ctx(
        kdf ? EVP_KDF_CTX_new(kdf.get()) : nullptr, EVP_KDF_CTX_free);
    std::string digest = EVP_MD_get0_name(Md());
    // OpenSSL reads the parameters without writing them, and refuses a null pointer even for no
    // bytes.
    static std::uint8_t none = 0;
    const auto octets = [](const char* name, const ByteString& bytes) {
      return OSSL_PARAM_construct_octet_string(
          name, bytes.empty() ? &none : const_cast<std::uint8_t*>(bytes.data()), bytes.size());
    };
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest.data(), 0),
        OSSL_PARAM_construct_int(OSSL_KDF_PARAM_MODE, &mode),
        octets(OSSL_KDF_PARAM_KEY, key),
        octets(OSSL_KDF_PARAM_SALT, salt),
        octets(OSSL_KDF_PARAM_INFO, info),
        OSSL_PARAM_construct_end()};
    // Said as kavrit says it, so that a test can tell a refused length from a failure.
    const auto limit = static_cast<std::size_t>(255 * EVP_MD_get_size(Md()));
    if (mode != EVP_KDF_HKDF_MODE_EXTRACT_ONLY && length > limit) {
      throw std::invalid_argument("OpenSSL HKDF: an output of " + std::to_string(length) +
                                  " bytes is over 255 hash lengths (" + std::to_string(limit) +
                                  ")");
    }
    ByteString out(length);
    if (!ctx || (length > 0 && EVP_KDF_derive(ctx.get(), out.data(), length, params) != 1)) {
      throw std::runtime_error("OpenSSL HKDF refused an output of " + std::to_string(length) +
                               " bytes");
    }
    return out;
  }
};

template <const EVP_MD* (*Md)(), class Inner>
using OpenSSLWithKDFs = Hooked<Inner, OpenSSLKDFs<Md>>;
using OpenSSLKDFSHA1 = OpenSSLWithKDFs<EVP_sha1, examples::SHA1>;
using OpenSSLKDFSHA256 = OpenSSLWithKDFs<EVP_sha256, examples::SHA256>;
using OpenSSLKDFSHA512 = OpenSSLWithKDFs<EVP_sha512, examples::SHA512>;

}  // namespace kavrit::examples
