#pragma once

/// @file
/// Key derivation over any `Hash`, built on its HMAC (`kavrit::hmacStrict`, so a digest type's
/// own HMAC is what they use): HKDF (RFC 5869) as `hkdfExtract`, `hkdfExpand` and `hkdf`, and
/// PBKDF2 with HMAC as the pseudorandom function (RFC 8018) as `pbkdf2`. A digest type with a
/// static member of one of these names, in the shape given below, supplies its own; a member of
/// that name in another shape stops the compilation (it would otherwise be passed over).

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/byte_string.hpp"
#include "kavrit/hash.hpp"

namespace kavrit {

namespace detail {

// The digest length of D in whole bytes (HashLen of RFC 5869, hLen of RFC 8018).
template <Hash D>
std::size_t kdfHashBytes(std::string_view function) {
  const long bits = static_cast<long>(D::outputLength());
  if (bits < 8 || bits % 8 != 0) {
    throw std::invalid_argument(std::string(function) + ": an output length of " +
                                std::to_string(bits) + " bits is not a positive number of bytes");
  }
  return static_cast<std::size_t>(bits / 8);
}

// Hook detection, as for HMAC: `own_X<D>` when D has the static member X in the documented shape,
// `names_X<D>` when it has a member called X at all.
template <class D>
inline constexpr bool own_hkdfExtract = requires(const ByteString& salt, const ByteString& ikm) {
  { D::hkdfExtract(salt, ikm) } -> std::same_as<ByteString>;
};
template <class D>
inline constexpr bool names_hkdfExtract = (requires { &D::hkdfExtract; }) ||
                                          (requires(D & d, const ByteString& b) {
                                            d.hkdfExtract(b, b);
                                          });

template <class D>
inline constexpr bool own_hkdfExpand = requires(const ByteString& prk, const ByteString& info,
                                                std::size_t length) {
  { D::hkdfExpand(prk, info, length) } -> std::same_as<ByteString>;
};
template <class D>
inline constexpr bool names_hkdfExpand = (requires { &D::hkdfExpand; }) ||
                                         (requires(D & d, const ByteString& b, std::size_t n) {
                                           d.hkdfExpand(b, b, n);
                                         });

template <class D>
inline constexpr bool own_hkdf = requires(const ByteString& b, std::size_t length) {
  { D::hkdf(b, b, b, length) } -> std::same_as<ByteString>;
};
template <class D>
inline constexpr bool names_hkdf = (requires { &D::hkdf; }) ||
                                   (requires(D & d, const ByteString& b, std::size_t n) {
                                     d.hkdf(b, b, b, n);
                                   });

template <class D>
inline constexpr bool own_pbkdf2 = requires(const ByteString& b, std::uint64_t iterations,
                                            std::size_t length) {
  { D::pbkdf2(b, b, iterations, length) } -> std::same_as<ByteString>;
};
template <class D>
inline constexpr bool names_pbkdf2 = (requires { &D::pbkdf2; }) ||
                                     (requires(D & d, const ByteString& b, std::uint64_t c,
                                               std::size_t n) { d.pbkdf2(b, b, c, n); });

// Appends the block index big-endian in `bytes` bytes: one for HKDF, four for PBKDF2.
inline void appendIndex(ByteString& out, std::uint32_t index, std::size_t bytes) {
  for (std::size_t i = bytes; i-- > 0;) out.push_back(static_cast<std::uint8_t>(index >> (8 * i)));
}

// HMAC of `message` under `key`, refusing a MAC that is not `hashBytes` long (an empty one would
// never fill the output).
template <Hash D>
ByteString kdfMac(std::string_view function, const MacKey<D>& key, const ByteString& message,
                  std::size_t hashBytes) {
  ByteString mac = hmacStrict(key, message).serialize();
  if (mac.size() != hashBytes) {
    throw std::runtime_error(std::string(function) + ": hmacStrict gave " +
                             std::to_string(mac.size()) + " bytes where the output length is " +
                             std::to_string(hashBytes) + " bytes");
  }
  return mac;
}

}  // namespace detail

/// The key derivation hooks that digest type D brings itself, of "hkdfExtract", "hkdfExpand",
/// "hkdf" and "pbkdf2"; kavrit's generic functions serve the others.
template <Hash D>
std::vector<std::string_view> ownKDFHooks() {
  std::vector<std::string_view> own;
  if (detail::own_hkdfExtract<D>) own.push_back("hkdfExtract");
  if (detail::own_hkdfExpand<D>) own.push_back("hkdfExpand");
  if (detail::own_hkdf<D>) own.push_back("hkdf");
  if (detail::own_pbkdf2<D>) own.push_back("pbkdf2");
  return own;
}

/// HKDF-Extract (RFC 5869, 2.2): the pseudorandom key HMAC(salt, ikm), HashLen bytes. An empty
/// salt is the salt that is "not provided": HMAC pads it to HashLen zero bytes and beyond. A digest
/// type with a static `ByteString D::hkdfExtract(const ByteString& salt, const ByteString& ikm)`
/// supplies its own.
template <Hash D>
ByteString hkdfExtract(const ByteString& salt, const ByteString& ikm) {
  static_assert(detail::own_hkdfExtract<D> || !detail::names_hkdfExtract<D>,
                "the digest type has a member named `hkdfExtract` that kavrit cannot call as its "
                "own HKDF-Extract: the hook must be `static kavrit::ByteString hkdfExtract(const "
                "kavrit::ByteString& salt, const kavrit::ByteString& ikm)`");
  if constexpr (detail::own_hkdfExtract<D>) {
    return D::hkdfExtract(salt, ikm);
  } else {
    return hmacStrict(MacKey<D>(salt), ikm).serialize();
  }
}

/// HKDF-Expand (RFC 5869, 2.3): `length` bytes of T(1) | T(2) | ..., where T(i) = HMAC(prk,
/// T(i-1) | info | i). A length above 255 times the digest length throws std::invalid_argument. A
/// digest type with a static `ByteString D::hkdfExpand(const ByteString& prk, const ByteString&
/// info, std::size_t length)` supplies its own.
template <Hash D>
ByteString hkdfExpand(const ByteString& prk, const ByteString& info, std::size_t length) {
  static_assert(detail::own_hkdfExpand<D> || !detail::names_hkdfExpand<D>,
                "the digest type has a member named `hkdfExpand` that kavrit cannot call as its "
                "own HKDF-Expand: the hook must be `static kavrit::ByteString hkdfExpand(const "
                "kavrit::ByteString& prk, const kavrit::ByteString& info, std::size_t length)`");
  if constexpr (detail::own_hkdfExpand<D>) {
    return D::hkdfExpand(prk, info, length);
  } else {
    const std::size_t hashBytes = detail::kdfHashBytes<D>("hkdfExpand");
    if (length > 255 * hashBytes) {
      throw std::invalid_argument(
          "hkdfExpand: an output of " + std::to_string(length) +
          " bytes is longer than 255 times the hash length (" + std::to_string(255 * hashBytes) +
          " bytes for a " + std::to_string(hashBytes) + "-byte hash), the most RFC 5869 allows");
    }
    const MacKey<D> key(prk);
    ByteString out;
    out.reserve(length + hashBytes);
    ByteString block;
    for (std::uint32_t i = 1; out.size() < length; ++i) {
      ByteString input = std::move(block);
      input.insert(input.end(), info.begin(), info.end());
      detail::appendIndex(input, i, 1);
      block = detail::kdfMac("hkdfExpand", key, input, hashBytes);
      out.insert(out.end(), block.begin(), block.end());
    }
    out.resize(length);
    return out;
  }
}

/// HKDF (RFC 5869): `hkdfExpand(hkdfExtract(salt, ikm), info, length)`, through D's own extract
/// and expand where it has them. A digest type with a static `ByteString D::hkdf(const ByteString&
/// salt, const ByteString& ikm, const ByteString& info, std::size_t length)` supplies its own.
template <Hash D>
ByteString hkdf(const ByteString& salt, const ByteString& ikm, const ByteString& info,
                std::size_t length) {
  static_assert(detail::own_hkdf<D> || !detail::names_hkdf<D>,
                "the digest type has a member named `hkdf` that kavrit cannot call as its own "
                "HKDF: the hook must be `static kavrit::ByteString hkdf(const kavrit::ByteString& "
                "salt, const kavrit::ByteString& ikm, const kavrit::ByteString& info, "
                "std::size_t length)`");
  if constexpr (detail::own_hkdf<D>) {
    return D::hkdf(salt, ikm, info, length);
  } else {
    return hkdfExpand<D>(hkdfExtract<D>(salt, ikm), info, length);
  }
}

/// PBKDF2 (RFC 8018, 5.2) with HMAC over D as the pseudorandom function: `length` bytes derived
/// from `password` and `salt` in `iterations` rounds. No iterations, or a length above
/// (2^32 - 1) times the digest length, throws std::invalid_argument. A digest type with a static
/// `ByteString D::pbkdf2(const ByteString& password, const ByteString& salt, std::uint64_t
/// iterations, std::size_t length)` supplies its own.
template <Hash D>
ByteString pbkdf2(const ByteString& password, const ByteString& salt, std::uint64_t iterations,
                  std::size_t length) {
  static_assert(detail::own_pbkdf2<D> || !detail::names_pbkdf2<D>,
                "the digest type has a member named `pbkdf2` that kavrit cannot call as its own "
                "PBKDF2: the hook must be `static kavrit::ByteString pbkdf2(const "
                "kavrit::ByteString& password, const kavrit::ByteString& salt, std::uint64_t "
                "iterations, std::size_t length)`");
  if constexpr (detail::own_pbkdf2<D>) {
    return D::pbkdf2(password, salt, iterations, length);
  } else {
    const std::size_t hashBytes = detail::kdfHashBytes<D>("pbkdf2");
    if (iterations == 0) {
      throw std::invalid_argument("pbkdf2: the iteration count must be at least 1");
    }
    if (length / hashBytes + (length % hashBytes != 0 ? 1 : 0) > 0xffffffffu) {
      throw std::invalid_argument("pbkdf2: an output of " + std::to_string(length) +
                                  " bytes needs more than 2^32 - 1 blocks, the most RFC 8018 "
                                  "allows");
    }
    const MacKey<D> key(password);
    ByteString out;
    out.reserve(length + hashBytes);
    for (std::uint32_t i = 1; out.size() < length; ++i) {
      ByteString u = salt;
      detail::appendIndex(u, i, 4);
      u = detail::kdfMac("pbkdf2", key, u, hashBytes);
      ByteString t = u;
      for (std::uint64_t round = 1; round < iterations; ++round) {
        u = detail::kdfMac("pbkdf2", key, u, hashBytes);
        for (std::size_t j = 0; j < hashBytes; ++j) t[j] ^= u[j];
      }
      out.insert(out.end(), t.begin(), t.end());
    }
    out.resize(length);
    return out;
  }
}

}  // namespace kavrit
