#pragma once

/// @file
/// AES key wrap (NIST SP 800-38F) over any `BlockCipher` with 128-bit blocks: KW (RFC 3394, with
/// the default initial value A6A6A6A6A6A6A6A6) as `keyWrap`/`keyUnwrap`, and KWP (RFC 5649, with
/// the initial value A65959A6 followed by the 32-bit length) as `keyWrapPad`/`keyUnwrapPad`.
///
/// `keyWrap` takes a whole number of 64-bit semiblocks, at least two; `keyWrapPad` 1 to 2^32 - 1
/// bytes; other inputs throw std::invalid_argument. Unwrapping never throws for a bad input: a
/// wrapped key that fails the integrity check, or whose length no wrap can give, is refused with an
/// empty optional.
///
/// A key type may bring its own implementation by defining a const member of the same name and
/// shape:
///
///     ByteString keyWrap(const ByteString& plaintext) const;                    // and keyWrapPad
///     std::optional<ByteString> keyUnwrap(const ByteString& wrapped) const;     // and
///     keyUnwrapPad
///
/// The free function then calls that member instead of the generic implementation here, which
/// needs `encryptBlock` to wrap and `decryptBlock` to unwrap. A member with one of these names but
/// another shape is a compile-time error naming the hook. `ownKeyWrapHooks<K>()` lists the hooks a
/// key type brings.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/byte_string.hpp"
#include "kavrit/construction_hooks.hpp"

namespace kavrit {

namespace detail {

inline constexpr std::array<std::uint8_t, 8> kKeyWrapIV = {0xA6, 0xA6, 0xA6, 0xA6,
                                                           0xA6, 0xA6, 0xA6, 0xA6};
inline constexpr std::array<std::uint8_t, 4> kKeyWrapPadIV = {0xA6, 0x59, 0x59, 0xA6};

inline void requireKeyWrapBlock(const char* operation, std::size_t blockBytes) {
  if (blockBytes != 16) {
    throw std::invalid_argument(std::string(operation) + ": a block of " +
                                std::to_string(blockBytes * 8) +
                                " bits; key wrap is defined for 128-bit blocks");
  }
}

/// The wrapping function W of SP 800-38F: six rounds over the semiblocks of `r`, starting from the
/// integrity value `a`; gives A || R.
template <class Key>
ByteString keyWrapRounds(const Key& key, const std::uint8_t* a, const ByteString& r) {
  const std::size_t n = r.size() / 8;
  ByteString out(8 + r.size());
  std::copy(a, a + 8, out.begin());
  std::copy(r.begin(), r.end(), out.begin() + 8);
  ByteString block(16);
  for (std::uint64_t j = 0; j < 6; ++j) {
    for (std::size_t i = 1; i <= n; ++i) {
      std::copy(out.begin(), out.begin() + 8, block.begin());
      std::copy(out.begin() + static_cast<std::ptrdiff_t>(8 * i),
                out.begin() + static_cast<std::ptrdiff_t>(8 * i + 8), block.begin() + 8);
      const ByteString b = encryptChecked(key, block);
      std::uint64_t t = n * j + i;
      std::copy(b.begin(), b.begin() + 8, out.begin());
      for (std::size_t k = 8; k-- > 0; t >>= 8) out[k] ^= static_cast<std::uint8_t>(t);
      std::copy(b.begin() + 8, b.end(), out.begin() + static_cast<std::ptrdiff_t>(8 * i));
    }
  }
  return out;
}

/// The unwrapping function W^-1: gives A || R from a wrapped key of at least three semiblocks.
template <class Key>
ByteString keyUnwrapRounds(const Key& key, const ByteString& c) {
  const std::size_t n = c.size() / 8 - 1;
  ByteString out = c;
  ByteString block(16);
  for (std::uint64_t j = 6; j-- > 0;) {
    for (std::size_t i = n; i >= 1; --i) {
      std::uint64_t t = n * j + i;
      std::copy(out.begin(), out.begin() + 8, block.begin());
      for (std::size_t k = 8; k-- > 0; t >>= 8) block[k] ^= static_cast<std::uint8_t>(t);
      std::copy(out.begin() + static_cast<std::ptrdiff_t>(8 * i),
                out.begin() + static_cast<std::ptrdiff_t>(8 * i + 8), block.begin() + 8);
      const ByteString b = decryptChecked(key, block);
      std::copy(b.begin(), b.begin() + 8, out.begin());
      std::copy(b.begin() + 8, b.end(), out.begin() + static_cast<std::ptrdiff_t>(8 * i));
    }
  }
  return out;
}

template <class Key>
ByteString keyWrapOver(const Key& key, std::size_t blockBytes, const ByteString& plaintext) {
  requireKeyWrapBlock("keyWrap", blockBytes);
  if (plaintext.size() % 8 != 0 || plaintext.size() < 16) {
    throw std::invalid_argument("keyWrap: a plaintext of " + std::to_string(plaintext.size()) +
                                " bytes; KW wraps whole 8-byte semiblocks, at least two");
  }
  return keyWrapRounds(key, kKeyWrapIV.data(), plaintext);
}

template <class Key>
std::optional<ByteString> keyUnwrapOver(const Key& key, std::size_t blockBytes,
                                        const ByteString& wrapped) {
  requireKeyWrapBlock("keyUnwrap", blockBytes);
  if (wrapped.size() % 8 != 0 || wrapped.size() < 24) return std::nullopt;
  ByteString out = keyUnwrapRounds(key, wrapped);
  if (!std::equal(kKeyWrapIV.begin(), kKeyWrapIV.end(), out.begin())) return std::nullopt;
  out.erase(out.begin(), out.begin() + 8);
  return out;
}

template <class Key>
ByteString keyWrapPadOver(const Key& key, std::size_t blockBytes, const ByteString& plaintext) {
  requireKeyWrapBlock("keyWrapPad", blockBytes);
  if (plaintext.empty() || plaintext.size() > 0xFFFFFFFFu) {
    throw std::invalid_argument("keyWrapPad: a plaintext of " + std::to_string(plaintext.size()) +
                                " bytes; KWP wraps 1 to 2^32 - 1 bytes");
  }
  std::uint8_t a[8] = {kKeyWrapPadIV[0], kKeyWrapPadIV[1], kKeyWrapPadIV[2], kKeyWrapPadIV[3]};
  for (std::size_t k = 0; k < 4; ++k) {
    a[4 + k] = static_cast<std::uint8_t>(plaintext.size() >> (24 - 8 * k));
  }
  ByteString padded = plaintext;
  padded.resize((plaintext.size() + 7) / 8 * 8, 0);
  if (padded.size() == 8) {
    ByteString block(a, a + 8);
    block.insert(block.end(), padded.begin(), padded.end());
    return encryptChecked(key, block);
  }
  return keyWrapRounds(key, a, padded);
}

template <class Key>
std::optional<ByteString> keyUnwrapPadOver(const Key& key, std::size_t blockBytes,
                                           const ByteString& wrapped) {
  requireKeyWrapBlock("keyUnwrapPad", blockBytes);
  if (wrapped.size() % 8 != 0 || wrapped.size() < 16) return std::nullopt;
  ByteString out =
      wrapped.size() == 16 ? decryptChecked(key, wrapped) : keyUnwrapRounds(key, wrapped);
  if (!std::equal(kKeyWrapPadIV.begin(), kKeyWrapPadIV.end(), out.begin())) return std::nullopt;
  std::size_t length = 0;
  for (std::size_t k = 4; k < 8; ++k) length = length << 8 | out[k];
  const std::size_t semiblocks = out.size() / 8 - 1;
  if (length <= 8 * (semiblocks - 1) || length > 8 * semiblocks) return std::nullopt;
  for (std::size_t k = 8 + length; k < out.size(); ++k) {
    if (out[k] != 0) return std::nullopt;
  }
  return ByteString(out.begin() + 8, out.begin() + 8 + static_cast<std::ptrdiff_t>(length));
}

KAVRIT_CONSTRUCTION_HOOK(keyWrap, ByteString, ByteString, "key wrap")
KAVRIT_CONSTRUCTION_HOOK(keyUnwrap, std::optional<ByteString>, ByteString, "key wrap")
KAVRIT_CONSTRUCTION_HOOK(keyWrapPad, ByteString, ByteString, "key wrap")
KAVRIT_CONSTRUCTION_HOOK(keyUnwrapPad, std::optional<ByteString>, ByteString, "key wrap")

}  // namespace detail

/// KW: wraps a plaintext of two or more whole 8-byte semiblocks.
KAVRIT_HOOKED_FUNCTION(keyWrap, ByteString, ByteString, keyWrapOver)
/// KW: the plaintext, or nothing when the integrity check fails.
KAVRIT_HOOKED_FUNCTION(keyUnwrap, std::optional<ByteString>, ByteString, keyUnwrapOver)
/// KWP: wraps 1 to 2^32 - 1 bytes.
KAVRIT_HOOKED_FUNCTION(keyWrapPad, ByteString, ByteString, keyWrapPadOver)
/// KWP: the plaintext, or nothing when the integrity check (value, length or padding) fails.
KAVRIT_HOOKED_FUNCTION(keyUnwrapPad, std::optional<ByteString>, ByteString, keyUnwrapPadOver)

/// The key-wrap hooks that key type K brings itself, in the order keyWrap, keyUnwrap, keyWrapPad,
/// keyUnwrapPad.
template <BlockCipher K>
std::vector<std::string_view> ownKeyWrapHooks() {
  std::vector<std::string_view> own;
  if (detail::own_keyWrap<K>) own.push_back("keyWrap");
  if (detail::own_keyUnwrap<K>) own.push_back("keyUnwrap");
  if (detail::own_keyWrapPad<K>) own.push_back("keyWrapPad");
  if (detail::own_keyUnwrapPad<K>) own.push_back("keyUnwrapPad");
  return own;
}

}  // namespace kavrit
