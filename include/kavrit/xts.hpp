#pragma once

/// @file
/// XTS (NIST SP 800-38E, IEEE 1619) over any `BlockCipher` with 128-bit blocks: `xtsEncrypt` and
/// `xtsDecrypt` of one data unit under two keys of the same type, the data key `key1` and the
/// tweak key `key2` (an XTS-AES-128 key of 32 bytes is key1 || key2, each an AES-128 key).
///
/// The tweak is one block (16 bytes), the data unit's number as the standard writes it
/// (little-endian for IEEE 1619 sector numbers). The data is at least one block; a partial last
/// block is handled with ciphertext stealing, so the output is as long as the input. A shorter
/// data unit or a tweak of another length throws std::invalid_argument. A key type with another
/// block size is a compile-time error when its `blockSize()` is a constant expression, and throws
/// std::invalid_argument otherwise.
///
/// A key type may bring its own XTS by defining a const member of the same name on the data key,
/// taking the tweak key:
///
///     ByteString xtsEncrypt(const K& tweakKey, const ByteString& tweak, const ByteString& data)
///     const; ByteString xtsDecrypt(const K& tweakKey, const ByteString& tweak, const ByteString&
///     data) const;
///
/// The free function checks the tweak and data lengths and then calls that member instead of the
/// generic implementation here, which needs `encryptBlock` (and `decryptBlock` to decrypt). A
/// member with one of these names but another shape is a compile-time error naming the hook.
/// `ownXTSHooks<K>()` lists the hooks a key type brings.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/byte_string.hpp"
#include "kavrit/construction_hooks.hpp"
#include "kavrit/modes.hpp"

namespace kavrit {

namespace detail {

inline constexpr std::size_t kXtsBlock = 16;

/// Refuses what XTS is not defined for: blocks other than 128 bits, a tweak that is not one block,
/// a data unit under one block. `operation` names the entry point in the error.
inline void requireXtsInput(const char* operation, std::size_t blockBytes, const ByteString& tweak,
                            const ByteString& data) {
  const std::string name(operation);
  if (blockBytes != kXtsBlock) {
    throw std::invalid_argument(name + ": a block of " + std::to_string(blockBytes * 8) +
                                " bits; XTS is defined for 128-bit blocks");
  }
  if (tweak.size() != kXtsBlock) {
    throw std::invalid_argument(name + ": a tweak of " + std::to_string(tweak.size()) +
                                " bytes; the tweak is one 16-byte block");
  }
  if (data.size() < kXtsBlock) {
    throw std::invalid_argument(name + ": a data unit of " + std::to_string(data.size()) +
                                " bytes; XTS needs at least one 16-byte block");
  }
}

/// Multiplication by alpha in GF(2^128), the block read as a little-endian number: a left shift
/// by one bit, folding the bit shifted out of the last byte back into the first with 0x87.
inline void xtsTimesAlpha(ByteString& t) {
  const std::uint8_t carry = static_cast<std::uint8_t>(t[kXtsBlock - 1] >> 7);
  for (std::size_t i = kXtsBlock - 1; i > 0; --i) {
    t[i] = static_cast<std::uint8_t>((t[i] << 1) | (t[i - 1] >> 7));
  }
  t[0] = static_cast<std::uint8_t>((t[0] << 1) ^ (carry != 0 ? 0x87 : 0));
}

/// One block through the data key between two XORs with the block's tweak value.
template <class Key>
ByteString xtsBlock(const Key& key, bool decrypt, const ByteString& t, const std::uint8_t* in) {
  ByteString x(kXtsBlock);
  for (std::size_t i = 0; i < kXtsBlock; ++i) x[i] = static_cast<std::uint8_t>(in[i] ^ t[i]);
  x = decrypt ? decryptChecked(key, x) : encryptChecked(key, x);
  for (std::size_t i = 0; i < kXtsBlock; ++i) x[i] ^= t[i];
  return x;
}

/// The generic XTS of one data unit. With a partial last block of r bytes, the last whole block
/// is processed first and lends the partial block its last 16 - r output bytes; the two are then
/// written in swapped places. Decryption undoes this, so it takes the two tweak values of the
/// stolen pair in the other order.
template <class Key>
ByteString xtsOver(const Key& dataKey, const Key& tweakKey, std::size_t blockBytes, bool decrypt,
                   const ByteString& tweak, const ByteString& data) {
  requireXtsInput(decrypt ? "xtsDecrypt" : "xtsEncrypt", blockBytes, tweak, data);
  ByteString t = encryptChecked(tweakKey, tweak);
  const std::size_t n = data.size();
  const std::size_t r = n % kXtsBlock;
  // Blocks handled one by one; with a partial block the last whole one is left for the stealing.
  const std::size_t plain = n / kXtsBlock - (r != 0 ? 1 : 0);
  ByteString out;
  out.reserve(n);
  for (std::size_t j = 0; j < plain; ++j) {
    const ByteString block = xtsBlock(dataKey, decrypt, t, data.data() + j * kXtsBlock);
    out.insert(out.end(), block.begin(), block.end());
    xtsTimesAlpha(t);
  }
  if (r == 0) return out;
  const std::size_t at = plain * kXtsBlock;
  ByteString first = t;
  ByteString second = t;
  xtsTimesAlpha(second);
  if (decrypt) std::swap(first, second);
  const ByteString whole = xtsBlock(dataKey, decrypt, first, data.data() + at);
  ByteString last(data.begin() + static_cast<std::ptrdiff_t>(at + kXtsBlock), data.end());
  last.insert(last.end(), whole.begin() + static_cast<std::ptrdiff_t>(r), whole.end());
  const ByteString stolen = xtsBlock(dataKey, decrypt, second, last.data());
  out.insert(out.end(), stolen.begin(), stolen.end());
  out.insert(out.end(), whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(r));
  return out;
}

/// Whether K's blockSize() is a constant expression, so that a wrong block size can be refused
/// at compile time.
template <class K>
inline constexpr bool constantBlockSize = requires {
  typename std::integral_constant<long, static_cast<long>(K::blockSize())>;
};

template <class K>
constexpr bool xtsBlockSizeFits() {
  if constexpr (constantBlockSize<K>) {
    return static_cast<long>(K::blockSize()) == 128;
  } else {
    return true;
  }
}

KAVRIT_TWO_KEY_HOOK(xtsEncrypt,
                    "ByteString xtsEncrypt(const K& tweakKey, const ByteString& tweak, const "
                    "ByteString& data) const",
                    "XTS")
KAVRIT_TWO_KEY_HOOK(xtsDecrypt,
                    "ByteString xtsDecrypt(const K& tweakKey, const ByteString& tweak, const "
                    "ByteString& data) const",
                    "XTS")

}  // namespace detail

// The XTS entry points: the key type's own member where it has one, otherwise the generic one.
#define KAVRIT_XTS_FUNCTION(NAME, DECRYPT)                                                         \
  template <BlockCipher K>                                                                         \
  ByteString NAME(const K& key1, const K& key2, const ByteString& tweak, const ByteString& data) { \
    static_assert(detail::xtsBlockSizeFits<K>(),                                                   \
                  "`" #NAME                                                                        \
                  "`: XTS is defined for 128-bit blocks only, and this key type's "                \
                  "blockSize() is another");                                                       \
    detail::requireHookShape_##NAME<K>();                                                          \
    if constexpr (detail::own_##NAME<K>) {                                                         \
      detail::requireXtsInput(#NAME, blockBytes<K>(), tweak, data);                                \
      return key1.NAME(key2, tweak, data);                                                         \
    } else {                                                                                       \
      return detail::xtsOver(key1, key2, blockBytes<K>(), DECRYPT, tweak, data);                   \
    }                                                                                              \
  }

/// The XTS encryption of `data` under data key `key1` and tweak key `key2`.
KAVRIT_XTS_FUNCTION(xtsEncrypt, false)
/// The XTS decryption of `data`, the inverse of xtsEncrypt under the same keys and tweak.
KAVRIT_XTS_FUNCTION(xtsDecrypt, true)
#undef KAVRIT_XTS_FUNCTION

/// The XTS hooks that key type K brings itself, in the order xtsEncrypt, xtsDecrypt.
template <BlockCipher K>
std::vector<std::string_view> ownXTSHooks() {
  std::vector<std::string_view> own;
  if (detail::own_xtsEncrypt<K>) own.push_back("xtsEncrypt");
  if (detail::own_xtsDecrypt<K>) own.push_back("xtsDecrypt");
  return own;
}

}  // namespace kavrit
