#pragma once

/// @file
/// The extendable-output part of the interface: the `Xof` concept that a sponge type satisfies
/// (SHAKE128, SHAKE256, ...) and the entry points the library calls.
///
/// A state type X is a sponge that has absorbed its message. It brings (lengths in bits):
///
///     static long blockLength();  // the rate: 1344 for SHAKE128, 1088 for SHAKE256
///     static X absorbStrict(const ByteString& message);
///     ByteString squeeze(std::size_t bytes);
///
/// `squeeze` gives the next `bytes` bytes of output and moves past them, so any split of an
/// output over successive calls gives what one call gives; a copy of a state squeezes on its own
/// from where the state was.
///
/// The lazy entry point takes a `LazyByteString`; a state type may bring its own:
///
///     static X absorb(const LazyByteString& message);
///
/// otherwise kavrit joins the chunks and hands them to absorbStrict. A member named `absorb` or
/// `squeeze` in another shape is a compile-time error naming the shape.

#include <concepts>
#include <cstddef>
#include <string_view>
#include <vector>

#include "kavrit/byte_string.hpp"
#include "kavrit/construction_hooks.hpp"

namespace kavrit {

namespace detail {

KAVRIT_MEMBER_HOOK(xofSqueeze, T&, squeeze, ByteString, (std::size_t n), (n),
                   "ByteString squeeze(std::size_t bytes)", "XOF")

// `absorb` is static, so the hook macro's member call would also take a const member function
// that kavrit could never call as T::absorb.
template <class T>
inline constexpr bool own_xofAbsorb = requires(const LazyByteString& message) {
  { T::absorb(message) } -> std::same_as<T>;
};
template <class T>
inline constexpr bool names_xofAbsorb = (requires { &T::absorb; }) ||
                                        (requires(T & self, const LazyByteString& message) {
                                          self.absorb(message);
                                        });

}  // namespace detail

/// A sponge type (see the file comment).
template <class X>
concept Xof = std::copy_constructible<X> && requires(const ByteString& bytes) {
  { X::blockLength() } -> std::convertible_to<long>;
  { X::absorbStrict(bytes) } -> std::same_as<X>;
} && detail::own_xofSqueeze<X>;

/// Fails to compile, naming the shape, when state type X has an `absorb` or `squeeze` of the
/// wrong shape.
template <class X>
constexpr void requireXofShape() {
  detail::requireShape_xofSqueeze<X>();
  static_assert(detail::own_xofAbsorb<X> || !detail::names_xofAbsorb<X>,
                "the XOF type has a member named `absorb` that kavrit cannot call: it must be "
                "`static X absorb(const LazyByteString& message)`");
}

/// `X::absorbStrict(message)`.
template <Xof X>
X xofAbsorbStrict(const ByteString& message) {
  requireXofShape<X>();
  return X::absorbStrict(message);
}

/// The state type's own `absorb`, or absorbStrict of the joined chunks.
template <Xof X>
X xofAbsorb(const LazyByteString& message) {
  requireXofShape<X>();
  if constexpr (detail::own_xofAbsorb<X>) {
    return X::absorb(message);
  } else {
    return X::absorbStrict(message.flatten());
  }
}

/// `state.squeeze(bytes)`.
template <Xof X>
ByteString xofSqueeze(X& state, std::size_t bytes) {
  requireXofShape<X>();
  return state.squeeze(bytes);
}

/// The first `bytes` bytes of output for `message`: absorbStrict, then one squeeze.
template <Xof X>
ByteString xofOutput(const ByteString& message, std::size_t bytes) {
  X state = xofAbsorbStrict<X>(message);
  return xofSqueeze(state, bytes);
}

/// The lazy entry point the state type brings itself ("absorb"), if it does.
template <class X>
std::vector<std::string_view> ownXofHooks() {
  std::vector<std::string_view> own;
  if (detail::own_xofAbsorb<X>) own.push_back("absorb");
  return own;
}

}  // namespace kavrit
