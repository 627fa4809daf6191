#pragma once

// Digest types for the tests of the RFC HMAC, HKDF and PBKDF2 suites: Nettle's digests with its
// own HKDF and PBKDF2 as kavrit hooks (OpenSSL's are in examples/openssl/openssl_kdf.hpp), so that
// the suites test hooks of two libraries as well as kavrit's generic functions over the plain
// digests; and faulty variants.

#include <nettle/hkdf.h>
#include <nettle/hmac.h>
#include <nettle/nettle-meta.h>
#include <nettle/pbkdf2.h>
// Nettle's header names nettle_pbkdf2 `pbkdf2` by a macro, which would rename kavrit's pbkdf2.
#undef pbkdf2
#include <openssl/evp.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "kavrit/hash.hpp"
#include "kavrit/kdf.hpp"
#include "nettle/nettle_reference.hpp"
#include "openssl/openssl_digest.hpp"
#include "openssl/openssl_kdf.hpp"

namespace kavrit::test::kdf {

using examples::Hooked;
using examples::OpenSSLKDFs;
using examples::OpenSSLKDFSHA1;
using examples::OpenSSLKDFSHA256;
using examples::OpenSSLKDFSHA512;
using examples::OpenSSLWithKDFs;

// Nettle's hkdf_extract, hkdf_expand and pbkdf2 over its HMAC of one hash (context Ctx, keyed by
// SetKey). Nettle checks neither HKDF's 255 blocks nor a zero iteration count (it asserts), so
// this adapter refuses them first.
template <class Ctx, void (*SetKey)(Ctx*, std::size_t, const std::uint8_t*),
          void (*Update)(Ctx*, std::size_t, const std::uint8_t*),
          void (*Digest)(Ctx*, std::size_t, std::uint8_t*), std::size_t Size>
struct NettleKDFs {
  static ByteString hkdfExtract(const ByteString& salt, const ByteString& ikm) {
    Ctx ctx = keyed(salt);
    ByteString out(Size);
    hkdf_extract(&ctx, update(), digest(), Size, ikm.size(), ikm.data(), out.data());
    return out;
  }
  static ByteString hkdfExpand(const ByteString& prk, const ByteString& info, std::size_t length) {
    if (length > 255 * Size) throw std::invalid_argument("Nettle HKDF: output too long");
    Ctx ctx = keyed(prk);
    ByteString out(length);
    hkdf_expand(&ctx, update(), digest(), Size, info.size(), info.data(), length, out.data());
    return out;
  }
  static ByteString hkdf(const ByteString& salt, const ByteString& ikm, const ByteString& info,
                         std::size_t length) {
    return hkdfExpand(hkdfExtract(salt, ikm), info, length);
  }
  static ByteString pbkdf2(const ByteString& password, const ByteString& salt,
                           std::uint64_t iterations, std::size_t length) {
    if (iterations == 0 || iterations > UINT_MAX) {
      throw std::invalid_argument("Nettle PBKDF2: iteration count out of range");
    }
    if (length == 0) return {};
    Ctx ctx = keyed(password);
    ByteString out(length);
    nettle_pbkdf2(&ctx, update(), digest(), Size, static_cast<unsigned>(iterations), salt.size(),
                  salt.data(), length, out.data());
    return out;
  }

 private:
  static Ctx keyed(const ByteString& key) {
    Ctx ctx;
    SetKey(&ctx, key.size(), key.data());
    return ctx;
  }
  // Nettle's generic functions take the typed HMAC functions through its generic pointer types.
  static nettle_hash_update_func* update() {
    return reinterpret_cast<nettle_hash_update_func*>(Update);
  }
  static nettle_hash_digest_func* digest() {
    return reinterpret_cast<nettle_hash_digest_func*>(Digest);
  }
};

using examples::NettleMD5;
using examples::NettleSHA1;
using examples::NettleSHA224;
using examples::NettleSHA384;
using NettleKDFSHA1 =
    Hooked<NettleSHA1, NettleKDFs<hmac_sha1_ctx, &hmac_sha1_set_key, &hmac_sha1_update,
                                  &hmac_sha1_digest, SHA1_DIGEST_SIZE>>;
using NettleKDFSHA256 =
    Hooked<examples::NettleSHA256,
           NettleKDFs<hmac_sha256_ctx, &hmac_sha256_set_key, &hmac_sha256_update,
                      &hmac_sha256_digest, SHA256_DIGEST_SIZE>>;

// The bytes with the lowest bit of the last byte flipped.
inline ByteString flipped(ByteString bytes) {
  if (!bytes.empty()) bytes.back() ^= 0x01;
  return bytes;
}

// Inner's digest with one bit of every digest flipped: generic HMAC, HKDF and PBKDF2 over it go
// wrong everywhere.
template <class Inner>
struct FlipsDigestBit {
  Inner inner;
  static constexpr long outputLength() { return Inner::outputLength(); }
  static constexpr long blockLength() { return Inner::blockLength(); }
  static FlipsDigestBit hash(const LazyByteString& m) { return of(Inner::hash(m)); }
  static FlipsDigestBit hashStrict(const ByteString& m) { return of(Inner::hashStrict(m)); }
  [[nodiscard]] ByteString serialize() const { return inner.serialize(); }
  static std::optional<FlipsDigestBit> parse(const ByteString& bytes) {
    if (auto digest = Inner::parse(bytes)) return FlipsDigestBit{*digest};
    return std::nullopt;
  }
  friend bool operator==(const FlipsDigestBit&, const FlipsDigestBit&) = default;

 private:
  static FlipsDigestBit of(const Inner& digest) {
    return {*Inner::parse(flipped(digest.serialize()))};
  }
};

// Hooks that flip one bit of the output of the hook named by Which ("hkdfExtract", ...) and give
// OpenSSL's result from the others.
enum class Broken { Extract, Expand, Whole, Pbkdf2 };
template <const EVP_MD* (*Md)(), Broken Which>
struct OneBitBrokenKDFs {
  using Right = OpenSSLKDFs<Md>;
  static ByteString hkdfExtract(const ByteString& salt, const ByteString& ikm) {
    return flipIf(Broken::Extract, Right::hkdfExtract(salt, ikm));
  }
  static ByteString hkdfExpand(const ByteString& prk, const ByteString& info, std::size_t length) {
    return flipIf(Broken::Expand, Right::hkdfExpand(prk, info, length));
  }
  static ByteString hkdf(const ByteString& salt, const ByteString& ikm, const ByteString& info,
                         std::size_t length) {
    return flipIf(Broken::Whole, Right::hkdf(salt, ikm, info, length));
  }
  static ByteString pbkdf2(const ByteString& password, const ByteString& salt,
                           std::uint64_t iterations, std::size_t length) {
    return flipIf(Broken::Pbkdf2, Right::pbkdf2(password, salt, iterations, length));
  }

 private:
  static ByteString flipIf(Broken hook, ByteString out) {
    return hook == Which ? flipped(std::move(out)) : out;
  }
};

}  // namespace kavrit::test::kdf
