#pragma once

/// @file
/// The stream-cipher part of the interface: the `StreamCipher` concept that a keystream type
/// satisfies (ChaCha20, RC4, ...) and the entry points the library calls.
///
/// A stream type S is a keystream in progress. It brings (lengths in bits):
///
///     static long keyLength();      // the key length the laws use
///     static long nonceLength();    // 0 when the cipher takes no nonce
///     static long counterLength();  // the width of the block counter; 0 when it has none
///     static long blockLength();    // keystream per counter step (512 for ChaCha20)
///     static std::optional<S> start(const ByteString& key, const ByteString& nonce,
///                                   std::uint64_t counter);
///     std::optional<ByteString> apply(const ByteString& data);
///
/// A cipher that takes keys of several lengths (RC4) says which with
///
///     static bool acceptsKeyLength(long bits);
///
/// without it, `start` takes keys of keyLength() bits only. `start` gives the stream at block
/// `counter`, or nothing for a key or nonce it does not take or
/// a counter outside its counter space (any counter but 0 for a cipher without one). `apply` XORs
/// `data` with the next data.size() bytes of the keystream and moves past them, so any chunking
/// of a text over successive calls gives what one call gives. The counter does not wrap: a call
/// that would need keystream past the last block of the counter space is refused as a whole with
/// an empty optional and leaves the stream where it was.
///
/// The lazy entry point takes a `LazyByteString`; a stream type may bring its own:
///
///     std::optional<ByteString> applyLazy(const LazyByteString& data);
///
/// otherwise kavrit applies the chunks in turn (refusing, with the stream unmoved, when any is
/// refused). A member named `apply` or `applyLazy` in another shape is a compile-time error naming
/// the shape.

#include <concepts>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/byte_string.hpp"
#include "kavrit/construction_hooks.hpp"

namespace kavrit {

namespace detail {

KAVRIT_MEMBER_HOOK(streamApply, T&, apply, std::optional<ByteString>, (const ByteString& d), (d),
                   "std::optional<ByteString> apply(const ByteString& data)", "stream cipher")
KAVRIT_MEMBER_HOOK(streamApplyLazy, T&, applyLazy, std::optional<ByteString>,
                   (const LazyByteString& d), (d),
                   "std::optional<ByteString> applyLazy(const LazyByteString& data)",
                   "stream cipher")

template <class S>
inline constexpr bool own_acceptsKeyLength = requires(long bits) {
  { S::acceptsKeyLength(bits) } -> std::convertible_to<bool>;
};
template <class S>
inline constexpr bool names_acceptsKeyLength = requires {
  &S::acceptsKeyLength;
};

}  // namespace detail

/// A keystream type (see the file comment).
template <class S>
concept StreamCipher = std::copy_constructible<S> &&
    requires(const ByteString& bytes, std::uint64_t counter) {
  { S::keyLength() } -> std::convertible_to<long>;
  { S::nonceLength() } -> std::convertible_to<long>;
  { S::counterLength() } -> std::convertible_to<long>;
  { S::blockLength() } -> std::convertible_to<long>;
  { S::start(bytes, bytes, counter) } -> std::same_as<std::optional<S>>;
} && detail::own_streamApply<S>;

/// Fails to compile, naming the shape, when stream type S has an `apply` or `applyLazy` of the
/// wrong shape.
template <class S>
constexpr void requireStreamCipherShape() {
  detail::requireShape_streamApply<S>();
  detail::requireShape_streamApplyLazy<S>();
  static_assert(detail::own_acceptsKeyLength<S> || !detail::names_acceptsKeyLength<S>,
                "the stream cipher type has a member named `acceptsKeyLength` that kavrit cannot "
                "call: it must be `static bool acceptsKeyLength(long bits)`");
}

/// Whether stream type S takes keys of `bits` bits: its own acceptsKeyLength, or keyLength()
/// alone.
template <StreamCipher S>
bool streamAcceptsKeyLength(long bits) {
  if constexpr (detail::own_acceptsKeyLength<S>) {
    return static_cast<bool>(S::acceptsKeyLength(bits));
  } else {
    return bits == static_cast<long>(S::keyLength());
  }
}

/// `stream.apply(data)`.
template <StreamCipher S>
std::optional<ByteString> streamApply(S& stream, const ByteString& data) {
  requireStreamCipherShape<S>();
  return stream.apply(data);
}

/// The stream type's own `applyLazy`, or `apply` of each chunk in turn on a copy that replaces
/// the stream only when every chunk went through.
template <StreamCipher S>
std::optional<ByteString> streamApplyLazy(S& stream, const LazyByteString& data) {
  requireStreamCipherShape<S>();
  if constexpr (detail::own_streamApplyLazy<S>) {
    return stream.applyLazy(data);
  } else {
    S moved = stream;
    ByteString out;
    out.reserve(data.size());
    for (const ByteString& chunk : data.chunks()) {
      std::optional<ByteString> piece = moved.apply(chunk);
      if (!piece) return std::nullopt;
      out.insert(out.end(), piece->begin(), piece->end());
    }
    stream = std::move(moved);
    return out;
  }
}

/// The lazy entry point the stream type brings itself ("applyLazy"), if it does.
template <class S>
std::vector<std::string_view> ownStreamCipherHooks() {
  std::vector<std::string_view> own;
  if (detail::own_streamApplyLazy<S>) own.push_back("applyLazy");
  return own;
}

}  // namespace kavrit
