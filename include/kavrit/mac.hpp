#pragma once

/// @file
/// The MAC part of the interface: the `Mac` concept that a key type of a one-time or keyed MAC
/// satisfies (Poly1305, ...), and the entry points the library calls. HMAC over a `Hash` is in
/// kavrit/hash.hpp.
///
/// A MAC key type M brings (lengths in bits):
///
///     static long keyLength();
///     static long tagLength();
///     static std::optional<M> buildKey(const ByteString& key);
///     ByteString tag(const ByteString& message) const;
///
/// `tag` gives tagLength()/8 bytes. A one-time MAC such as Poly1305 takes the one-time key here;
/// the laws use each key for one message only where the algorithm asks it. The lazy entry point
/// takes a `LazyByteString`; a key type may bring its own:
///
///     ByteString tagLazy(const LazyByteString& message) const;
///
/// otherwise kavrit flattens the message and calls `tag`. A member named `tag` or `tagLazy` in
/// another shape is a compile-time error naming the shape.

#include <concepts>
#include <optional>
#include <string_view>
#include <vector>

#include "kavrit/byte_string.hpp"
#include "kavrit/construction_hooks.hpp"

namespace kavrit {

namespace detail {

KAVRIT_MEMBER_HOOK(macTag, const T&, tag, ByteString, (const ByteString& m), (m),
                   "ByteString tag(const ByteString& message) const", "MAC")
KAVRIT_MEMBER_HOOK(macTagLazy, const T&, tagLazy, ByteString, (const LazyByteString& m), (m),
                   "ByteString tagLazy(const LazyByteString& message) const", "MAC")

}  // namespace detail

/// A key type of a MAC (see the file comment).
template <class M>
concept Mac = std::copy_constructible<M> && requires(const ByteString& bytes) {
  { M::keyLength() } -> std::convertible_to<long>;
  { M::tagLength() } -> std::convertible_to<long>;
  { M::buildKey(bytes) } -> std::same_as<std::optional<M>>;
} && detail::own_macTag<M>;

/// Fails to compile, naming the shape, when key type M has a `tag` or `tagLazy` of the wrong
/// shape.
template <class M>
constexpr void requireMacShape() {
  detail::requireShape_macTag<M>();
  detail::requireShape_macTagLazy<M>();
}

/// `key.tag(message)`.
template <Mac M>
ByteString macTag(const M& key, const ByteString& message) {
  requireMacShape<M>();
  return key.tag(message);
}

/// The key type's own `tagLazy`, or `tag` of the flattened message.
template <Mac M>
ByteString macTagLazy(const M& key, const LazyByteString& message) {
  requireMacShape<M>();
  if constexpr (detail::own_macTagLazy<M>) {
    return key.tagLazy(message);
  } else {
    return key.tag(message.flatten());
  }
}

/// The lazy entry point the key type brings itself ("tagLazy"), if it does.
template <class M>
std::vector<std::string_view> ownMacHooks() {
  std::vector<std::string_view> own;
  if (detail::own_macTagLazy<M>) own.push_back("tagLazy");
  return own;
}

}  // namespace kavrit
