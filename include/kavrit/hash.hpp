#pragma once

/// @file
/// The hash half of the interface: the `Hash` concept that a digest type satisfies, the text form
/// of a digest for reports, and HMAC over any `Hash`.

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/byte_string.hpp"

namespace kavrit {

/// A digest type. Lengths are in bits. `hash` digests a lazy byte string, `hashStrict` a strict
/// one; both give the same digest for the same content. `serialize` gives outputLength()/8 bytes;
/// `parse` reads a digest from the front of its input and ignores any further bytes.
template <class D>
concept Hash = std::copy_constructible<D> &&
    requires(const D& d, const ByteString& bytes, const LazyByteString& lazy) {
  { D::outputLength() } -> std::convertible_to<long>;
  { D::blockLength() } -> std::convertible_to<long>;
  { D::hash(lazy) } -> std::same_as<D>;
  { D::hashStrict(bytes) } -> std::same_as<D>;
  { d.serialize() } -> std::same_as<ByteString>;
  { D::parse(bytes) } -> std::same_as<std::optional<D>>;
  { d == d } -> std::convertible_to<bool>;
};

/// Lower-case hex of a byte string.
inline std::string toHex(const ByteString& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const std::uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0f]);
  }
  return out;
}

/// The text of a digest in reports: the type's own `operator<<` where it has one, otherwise the
/// lower-case hex of its serialised form.
template <Hash D>
std::string digestText(const D& digest) {
  if constexpr (requires(std::ostream & os) { os << digest; }) {
    std::ostringstream os;
    os << digest;
    return os.str();
  } else {
    return toHex(digest.serialize());
  }
}

/// A MAC key for HMAC over digest type D, made from any bytes. D is not constrained here, so that
/// a digest type can name MacKey<D> in its own `hmac` and `hmacStrict` members while it is still
/// incomplete.
template <class D>
class MacKey {
 public:
  explicit MacKey(ByteString bytes) : bytes_(std::move(bytes)) {}
  [[nodiscard]] const ByteString& bytes() const noexcept { return bytes_; }

 private:
  ByteString bytes_;
};

namespace detail {

template <Hash D>
std::size_t hashBlockBytes() {
  const long bits = static_cast<long>(D::blockLength());
  if (bits < 8) {
    throw std::invalid_argument("hmac: block length of " + std::to_string(bits) +
                                " bits is less than one byte");
  }
  return static_cast<std::size_t>(bits / 8);
}

// The key padded to one block, XOR-ed with `pad` (0x36 inner, 0x5c outer). A key longer than a
// block is hashed first.
template <Hash D>
ByteString hmacPad(const MacKey<D>& key, std::uint8_t pad) {
  const std::size_t block = hashBlockBytes<D>();
  ByteString k = key.bytes().size() > block ? D::hashStrict(key.bytes()).serialize() : key.bytes();
  k.resize(std::max(block, k.size()), 0);
  for (auto& b : k) b ^= pad;
  return k;
}

template <Hash D>
D hmacOuter(const MacKey<D>& key, const D& inner) {
  ByteString outer = hmacPad(key, 0x5c);
  const ByteString innerBytes = inner.serialize();
  outer.insert(outer.end(), innerBytes.begin(), innerBytes.end());
  return D::hashStrict(outer);
}

// Hook detection, as for the modes: `own_X<D>` when D has the static member X in the documented
// shape, `names_X<D>` when it has a member called X at all.
template <class D>
inline constexpr bool own_hmac = requires(const MacKey<D>& key, const LazyByteString& message) {
  { D::hmac(key, message) } -> std::same_as<D>;
};
template <class D>
inline constexpr bool names_hmac = (requires { &D::hmac; }) ||
                                   (requires(D & d, const MacKey<D>& key,
                                             const LazyByteString& message) {
                                     d.hmac(key, message);
                                   });
template <class D>
inline constexpr bool own_hmacStrict = requires(const MacKey<D>& key, const ByteString& message) {
  { D::hmacStrict(key, message) } -> std::same_as<D>;
};
template <class D>
inline constexpr bool names_hmacStrict = (requires { &D::hmacStrict; }) ||
                                         (requires(D & d, const MacKey<D>& key,
                                                   const ByteString& message) {
                                           d.hmacStrict(key, message);
                                         });

}  // namespace detail

/// The HMAC hooks that digest type D brings itself ("hmac", "hmacStrict"); kavrit's generic
/// HMAC serves the others.
template <Hash D>
std::vector<std::string_view> ownHashHooks() {
  std::vector<std::string_view> own;
  if (detail::own_hmac<D>) own.push_back("hmac");
  if (detail::own_hmacStrict<D>) own.push_back("hmacStrict");
  return own;
}

/// HMAC (RFC 2104) of a lazy message. A digest type with a static
/// `D::hmac(const MacKey<D>&, const LazyByteString&)` supplies its own.
template <Hash D>
D hmac(const MacKey<D>& key, const LazyByteString& message) {
  static_assert(detail::own_hmac<D> || !detail::names_hmac<D>,
                "the digest type has a member named `hmac` that kavrit cannot call as its own "
                "HMAC: the hook must be `static D hmac(const kavrit::MacKey<D>&, const "
                "kavrit::LazyByteString&)`");
  if constexpr (detail::own_hmac<D>) {
    return D::hmac(key, message);
  } else {
    std::vector<ByteString> chunks;
    chunks.reserve(message.chunks().size() + 1);
    chunks.push_back(detail::hmacPad(key, 0x36));
    chunks.insert(chunks.end(), message.chunks().begin(), message.chunks().end());
    return detail::hmacOuter(key, D::hash(LazyByteString(std::move(chunks))));
  }
}

/// HMAC of a strict message. A digest type with a static
/// `D::hmacStrict(const MacKey<D>&, const ByteString&)` supplies its own.
template <Hash D>
D hmacStrict(const MacKey<D>& key, const ByteString& message) {
  static_assert(detail::own_hmacStrict<D> || !detail::names_hmacStrict<D>,
                "the digest type has a member named `hmacStrict` that kavrit cannot call as its "
                "own HMAC: the hook must be `static D hmacStrict(const kavrit::MacKey<D>&, const "
                "kavrit::ByteString&)`");
  if constexpr (detail::own_hmacStrict<D>) {
    return D::hmacStrict(key, message);
  } else {
    ByteString inner = detail::hmacPad(key, 0x36);
    inner.insert(inner.end(), message.begin(), message.end());
    return detail::hmacOuter(key, D::hashStrict(inner));
  }
}

}  // namespace kavrit
