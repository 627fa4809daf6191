#pragma once

/// @file
/// The block-cipher half of the interface: the `BlockCipher` concept that a key type satisfies,
/// initialisation vectors, and the block-cipher modes.

#include <concepts>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "kavrit/byte_string.hpp"

namespace kavrit {

/// A key type of a block cipher. Lengths are in bits. `encryptBlock` and `decryptBlock` apply the
/// raw cipher to each block of an input of zero or more whole blocks (ECB).
///
/// A cipher that takes keys of several lengths (Blowfish, CAST5) says which with
///
///     static bool acceptsKeyLength(long bits);
///
/// without it, `buildKey` takes keys of keyLength() bits only (blockCipherAcceptsKeyLength).
template <class K>
concept BlockCipher = std::copy_constructible<K> &&
    requires(const K& key, const ByteString& bytes) {
  { K::blockSize() } -> std::convertible_to<long>;
  { K::keyLength() } -> std::convertible_to<long>;
  { K::buildKey(bytes) } -> std::same_as<std::optional<K>>;
  { key.encryptBlock(bytes) } -> std::same_as<ByteString>;
  { key.decryptBlock(bytes) } -> std::same_as<ByteString>;
};

namespace detail {

template <class K>
inline constexpr bool own_blockAcceptsKeyLength = requires(long bits) {
  { K::acceptsKeyLength(bits) } -> std::convertible_to<bool>;
};
template <class K>
inline constexpr bool names_blockAcceptsKeyLength = requires {
  &K::acceptsKeyLength;
};

}  // namespace detail

/// Whether key type K takes keys of `bits` bits: its own acceptsKeyLength, or keyLength() alone.
/// A member named `acceptsKeyLength` of another shape is a compile-time error naming the shape.
template <BlockCipher K>
bool blockCipherAcceptsKeyLength(long bits) {
  static_assert(detail::own_blockAcceptsKeyLength<K> || !detail::names_blockAcceptsKeyLength<K>,
                "the key type has a member named `acceptsKeyLength` that kavrit cannot call: it "
                "must be `static bool acceptsKeyLength(long bits)`");
  if constexpr (detail::own_blockAcceptsKeyLength<K>) {
    return static_cast<bool>(K::acceptsKeyLength(bits));
  } else {
    return bits == static_cast<long>(K::keyLength());
  }
}

/// A block size of `bits` in whole bytes. Throws std::invalid_argument when the block is under one
/// byte, since no mode can work on such blocks.
inline std::size_t blockBytesOf(long bits) {
  if (bits < 8) {
    throw std::invalid_argument("block size of " + std::to_string(bits) +
                                " bits is less than one byte; modes and padding need whole bytes");
  }
  return static_cast<std::size_t>(bits / 8);
}

/// Block size of K in whole bytes (see blockBytesOf).
template <BlockCipher K>
std::size_t blockBytes() {
  return blockBytesOf(static_cast<long>(K::blockSize()));
}

/// An initialisation vector of cipher K: exactly one block of bytes. K is not constrained here, so
/// that a key type can name IV<K> in its own members (its own modes) while it is still incomplete.
template <class K>
class IV {
 public:
  /// Reads the first blockSize()/8 bytes; further bytes are ignored. Too few bytes give nothing.
  static std::optional<IV> parse(const ByteString& bytes) {
    const long bits = static_cast<long>(K::blockSize());
    const std::size_t n = bits > 0 ? static_cast<std::size_t>(bits / 8) : 0;
    if (bytes.size() < n) return std::nullopt;
    return IV(ByteString(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
  }

  [[nodiscard]] const ByteString& bytes() const noexcept { return bytes_; }

  friend bool operator==(const IV&, const IV&) = default;

 private:
  explicit IV(ByteString bytes) : bytes_(std::move(bytes)) {}
  ByteString bytes_;
};

}  // namespace kavrit

#include "kavrit/modes.hpp"
