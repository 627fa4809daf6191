#pragma once

/// @file
/// CBC with PKCS#7 padding (called PKCS#5 for 8- and 16-byte blocks) over any `BlockCipher`:
///
///     ByteString cbcPad(key, iv, plaintext);
///     std::optional<ByteString> unCbcPad(key, iv, ciphertext);
///
/// and `cbcPadLazy`/`unCbcPadLazy`, the same over a `LazyByteString` in any chunking. Padding
/// always adds 1 to b bytes of value n (b the block in bytes), so any plaintext, the empty one
/// included, pads to whole blocks. Decryption refuses, with an empty optional, a ciphertext that is
/// empty or not a whole number of blocks, or whose padding is bad (last byte 0 or over b, or any of
/// the last n bytes other than n); the padding is checked without leaving at the first wrong byte,
/// and a refusal releases none of the decrypted bytes. The generic implementation pads and then
/// calls `kavrit::cbc`/`cbcLazy` (unpadding after `kavrit::unCbc`/`unCbcLazy`), so a key type's own
/// CBC members are what it runs over; it works for blocks of 1 to 255 bytes (the pad length must
/// fit in its byte) and throws std::invalid_argument for larger ones.
///
/// A key type may bring its own padded CBC by defining const members of the same names and shapes:
///
///     ByteString cbcPad(const IV<K>& iv, const ByteString& plaintext) const;
///     std::optional<ByteString> unCbcPad(const IV<K>& iv, const ByteString& ciphertext) const;
///     ByteString cbcPadLazy(const IV<K>& iv, const LazyByteString& plaintext) const;
///     std::optional<ByteString> unCbcPadLazy(const IV<K>& iv, const LazyByteString& ciphertext)
///         const;
///
/// The free function then calls that member instead. A member with one of these names but another
/// shape is a compile-time error naming the hook. `ownCbcPadHooks<K>()` lists the hooks a key type
/// brings.

#include <concepts>
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

inline void requirePkcs7Block(const char* operation, std::size_t blockBytes) {
  if (blockBytes == 0 || blockBytes > 255) {
    throw std::invalid_argument(std::string(operation) + ": a block of " +
                                std::to_string(blockBytes) +
                                " bytes; PKCS#7 padding needs blocks of 1 to 255 bytes, as each "
                                "pad byte holds the pad length");
  }
}

/// The pad of a text of `length` bytes: n bytes of value n, 1 <= n <= blockBytes.
inline ByteString pkcs7Pad(std::size_t blockBytes, std::size_t length) {
  const std::size_t n = blockBytes - length % blockBytes;
  return ByteString(n, static_cast<std::uint8_t>(n));
}

inline ByteString pkcs7Padded(std::size_t blockBytes, ByteString text) {
  const ByteString pad = pkcs7Pad(blockBytes, text.size());
  text.insert(text.end(), pad.begin(), pad.end());
  return text;
}

// The pad as a chunk of its own: the text's chunks are passed on as they came. A new chunk list,
// not append on a copy, which at -O3 makes GCC 12 warn (-Wfree-nonheap-object).
inline LazyByteString pkcs7Padded(std::size_t blockBytes, const LazyByteString& text) {
  std::vector<ByteString> chunks;
  chunks.reserve(text.chunks().size() + 1);
  chunks.insert(chunks.end(), text.chunks().begin(), text.chunks().end());
  chunks.push_back(pkcs7Pad(blockBytes, text.size()));
  return LazyByteString(std::move(chunks));
}

inline ByteString flatBytes(ByteString bytes) { return bytes; }
inline ByteString flatBytes(const LazyByteString& bytes) { return bytes.flatten(); }

/// `padded` (one or more whole blocks) without its padding; nothing when the padding is bad. The
/// last `blockBytes` bytes are all read and folded into one flag whatever their values, so that the
/// time taken does not tell a padding oracle where the padding went wrong.
inline std::optional<ByteString> pkcs7Unpad(std::size_t blockBytes, ByteString padded) {
  // For values under 2^31, a - c wraps to a number with its top bit set exactly when a < c.
  const auto less = [](std::uint32_t a, std::uint32_t c) -> std::uint32_t { return (a - c) >> 31; };
  const auto b = static_cast<std::uint32_t>(blockBytes);
  const std::uint32_t n = padded.back();
  std::uint32_t bad = less(n, 1) | less(b, n);
  for (std::uint32_t i = 0; i < b; ++i) {
    const std::uint32_t byte = padded[padded.size() - 1 - i];
    bad |= less(i, n) & less(0, byte ^ n);
  }
  if (bad != 0) return std::nullopt;
  // erase, not resize: GCC 12 cannot see that n <= size() here and warns of a huge memset in
  // resize's growing branch (-Wstringop-overflow) in the user's code.
  padded.erase(padded.end() - static_cast<std::ptrdiff_t>(n), padded.end());
  return padded;
}

/// Pads `plaintext` and encrypts it with `cbcOf`, which CBC-encrypts whole blocks of the same kind
/// (strict or lazy) as `plaintext`.
template <class Data, class Cbc>
ByteString cbcPadOver(const char* operation, std::size_t blockBytes, const Data& plaintext,
                      Cbc&& cbcOf) {
  requirePkcs7Block(operation, blockBytes);
  return flatBytes(cbcOf(pkcs7Padded(blockBytes, plaintext)));
}

/// Decrypts `ciphertext` with `unCbcOf` and removes the padding; lengths that no padded CBC gives
/// are refused before anything is decrypted.
template <class Data, class UnCbc>
std::optional<ByteString> unCbcPadOver(const char* operation, std::size_t blockBytes,
                                       const Data& ciphertext, UnCbc&& unCbcOf) {
  requirePkcs7Block(operation, blockBytes);
  if (ciphertext.empty() || ciphertext.size() % blockBytes != 0) return std::nullopt;
  ByteString padded = flatBytes(unCbcOf(ciphertext));
  // A key type's own unCbc could give fewer bytes; the unpadding reads the last block.
  requireLength(std::same_as<Data, LazyByteString> ? "unCbcLazy" : "unCbc", padded,
                ciphertext.size());
  return pkcs7Unpad(blockBytes, std::move(padded));
}

KAVRIT_IV_HOOK(cbcPad, ByteString, ByteString, "padded CBC")
KAVRIT_IV_HOOK(unCbcPad, std::optional<ByteString>, ByteString, "padded CBC")
KAVRIT_IV_HOOK(cbcPadLazy, ByteString, LazyByteString, "padded CBC")
KAVRIT_IV_HOOK(unCbcPadLazy, std::optional<ByteString>, LazyByteString, "padded CBC")

}  // namespace detail

/// `plaintext` padded with PKCS#7 and CBC-encrypted from `iv`.
template <BlockCipher K>
ByteString cbcPad(const K& key, const IV<K>& iv, const ByteString& plaintext) {
  detail::requireHookShape_cbcPad<K>();
  if constexpr (detail::own_cbcPad<K>) {
    return key.cbcPad(iv, plaintext);
  } else {
    return detail::cbcPadOver("cbcPad", blockBytes<K>(), plaintext, [&](const ByteString& padded) {
      return kavrit::cbc(key, iv, padded).first;
    });
  }
}

/// The plaintext of a padded CBC `ciphertext`, or nothing when its length or padding is bad.
template <BlockCipher K>
std::optional<ByteString> unCbcPad(const K& key, const IV<K>& iv, const ByteString& ciphertext) {
  detail::requireHookShape_unCbcPad<K>();
  if constexpr (detail::own_unCbcPad<K>) {
    return key.unCbcPad(iv, ciphertext);
  } else {
    return detail::unCbcPadOver("unCbcPad", blockBytes<K>(), ciphertext, [&](const ByteString& in) {
      return kavrit::unCbc(key, iv, in).first;
    });
  }
}

/// `cbcPad` of a lazy plaintext, through `kavrit::cbcLazy`.
template <BlockCipher K>
ByteString cbcPadLazy(const K& key, const IV<K>& iv, const LazyByteString& plaintext) {
  detail::requireHookShape_cbcPadLazy<K>();
  if constexpr (detail::own_cbcPadLazy<K>) {
    return key.cbcPadLazy(iv, plaintext);
  } else {
    return detail::cbcPadOver(
        "cbcPadLazy", blockBytes<K>(), plaintext,
        [&](const LazyByteString& padded) { return kavrit::cbcLazy(key, iv, padded).first; });
  }
}

/// `unCbcPad` of a lazy ciphertext, through `kavrit::unCbcLazy`.
template <BlockCipher K>
std::optional<ByteString> unCbcPadLazy(const K& key, const IV<K>& iv,
                                       const LazyByteString& ciphertext) {
  detail::requireHookShape_unCbcPadLazy<K>();
  if constexpr (detail::own_unCbcPadLazy<K>) {
    return key.unCbcPadLazy(iv, ciphertext);
  } else {
    return detail::unCbcPadOver(
        "unCbcPadLazy", blockBytes<K>(), ciphertext,
        [&](const LazyByteString& in) { return kavrit::unCbcLazy(key, iv, in).first; });
  }
}

/// The padded-CBC hooks that key type K brings itself, in the order cbcPad, unCbcPad, cbcPadLazy,
/// unCbcPadLazy.
template <BlockCipher K>
std::vector<std::string_view> ownCbcPadHooks() {
  std::vector<std::string_view> own;
  if (detail::own_cbcPad<K>) own.push_back("cbcPad");
  if (detail::own_unCbcPad<K>) own.push_back("unCbcPad");
  if (detail::own_cbcPadLazy<K>) own.push_back("cbcPadLazy");
  if (detail::own_unCbcPadLazy<K>) own.push_back("unCbcPadLazy");
  return own;
}

}  // namespace kavrit
