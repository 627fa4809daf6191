#pragma once

/// @file
/// GCM (NIST SP 800-38D) over any `BlockCipher` with 128-bit blocks:
///
///     AeadSealed gcmEncrypt(key, iv, aad, plaintext, tagBytes);
///     std::optional<ByteString> gcmDecrypt(key, iv, aad, ciphertext, tag);
///
/// and `gcmEncryptLazy`/`gcmDecryptLazy`, the same with the AAD and the text as `LazyByteString`s.
/// The IV may have any length of at least one byte: a 96-bit IV is followed by the counter
/// 0^31 || 1, any other is hashed with GHASH into the first counter block. Tags are 4 to 16 bytes
/// (the first bytes of the full tag). Encryption throws std::invalid_argument for an empty IV, a
/// tag length outside 4..16 or a text over 2^36 - 32 bytes; decryption never throws for a bad
/// input: anything that does not verify, malformed IVs and tags included, is refused with an empty
/// optional, and nothing is decrypted before the tag has been checked (in constant time).
///
/// A key type may bring its own GCM by defining const members of the same names and shapes:
///
///     AeadSealed gcmEncrypt(const ByteString& iv, const ByteString& aad,
///                           const ByteString& plaintext, std::size_t tagBytes) const;
///     std::optional<ByteString> gcmDecrypt(const ByteString& iv, const ByteString& aad,
///                                          const ByteString& ciphertext,
///                                          const ByteString& tag) const;
///     // gcmEncryptLazy and gcmDecryptLazy: the same with `const LazyByteString&` AAD and text
///
/// The free function then calls that member instead of the generic implementation here, which
/// needs only `encryptBlock`. A member with one of these names but another shape is a
/// compile-time error naming the hook. `ownGCMHooks<K>()` lists the hooks a key type brings.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/aead.hpp"
#include "kavrit/block_cipher.hpp"
#include "kavrit/byte_string.hpp"
#include "kavrit/construction_hooks.hpp"

namespace kavrit {

namespace detail {

/// The longest text GCM takes: 2^32 - 2 blocks.
inline constexpr std::uint64_t kGcmMaxTextBytes = (std::uint64_t{1} << 36) - 32;

inline void requireGcmBlock(const char* operation, std::size_t blockBytes) {
  if (blockBytes != 16) {
    throw std::invalid_argument(std::string(operation) + ": a block of " +
                                std::to_string(blockBytes * 8) +
                                " bits; GCM is defined for 128-bit blocks");
  }
}

/// An element of GF(2^128) in GCM's bit order: bit 0 is the high bit of `hi`.
struct Gf128 {
  std::uint64_t hi = 0;
  std::uint64_t lo = 0;
};

inline Gf128 gf128Load(const std::uint8_t* p) {
  Gf128 x;
  for (int i = 0; i < 8; ++i) x.hi = x.hi << 8 | p[i];
  for (int i = 8; i < 16; ++i) x.lo = x.lo << 8 | p[i];
  return x;
}

inline void gf128Store(const Gf128& x, std::uint8_t* p) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(x.hi >> (56 - 8 * i));
  for (int i = 0; i < 8; ++i) p[8 + i] = static_cast<std::uint8_t>(x.lo >> (56 - 8 * i));
}

/// The product of SP 800-38D, bit by bit; masks instead of branches keep its time independent of
/// the hash key.
inline Gf128 gf128Multiply(const Gf128& x, Gf128 v) {
  Gf128 z;
  for (int i = 0; i < 128; ++i) {
    const std::uint64_t word = i < 64 ? x.hi : x.lo;
    const std::uint64_t mask = 0 - ((word >> (63 - (i & 63))) & 1);
    z.hi ^= v.hi & mask;
    z.lo ^= v.lo & mask;
    const std::uint64_t reduce = 0 - (v.lo & 1);
    v.lo = (v.lo >> 1) | (v.hi << 63);
    v.hi = (v.hi >> 1) ^ (0xE100000000000000ull & reduce);
  }
  return z;
}

/// GHASH fed in pieces; `pad` closes a field (AAD, text) by hashing its last partial block padded
/// with zeros.
class Ghash {
 public:
  explicit Ghash(const ByteString& hashKey) : h_(gf128Load(hashKey.data())) {}

  void update(const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
      const std::size_t take = std::min<std::size_t>(16 - filled_, n);
      std::copy(p, p + take, block_ + filled_);
      filled_ += take;
      p += take;
      n -= take;
      if (filled_ == 16) absorb();
    }
  }
  void pad() {
    if (filled_ == 0) return;
    std::fill(block_ + filled_, block_ + 16, std::uint8_t{0});
    absorb();
  }
  /// Hashes the block [len(a)]_64 || [len(c)]_64 of two lengths in bytes, and gives the hash.
  ByteString finish(std::uint64_t aBytes, std::uint64_t cBytes) {
    pad();
    const Gf128 lengths{aBytes * 8, cBytes * 8};
    gf128Store(lengths, block_);
    filled_ = 16;
    absorb();
    ByteString out(16);
    gf128Store(y_, out.data());
    return out;
  }

 private:
  void absorb() {
    const Gf128 x = gf128Load(block_);
    y_.hi ^= x.hi;
    y_.lo ^= x.lo;
    y_ = gf128Multiply(y_, h_);
    filled_ = 0;
  }

  Gf128 h_;
  Gf128 y_;
  std::uint8_t block_[16] = {};
  std::size_t filled_ = 0;
};

/// GCTR from a counter block, incremented in its last 32 bits only (wrapping there, not carrying
/// into the IV part).
template <class Key>
class GcmCounter {
 public:
  GcmCounter(const Key& key, ByteString counter) : key_(key), counter_(std::move(counter)) {}

  void apply(const std::uint8_t* in, std::size_t n, ByteString& out) {
    for (std::size_t i = 0; i < n; ++i) {
      if (used_ == stream_.size()) {
        stream_ = encryptChecked(key_, counter_);
        used_ = 0;
        increment();
      }
      out.push_back(static_cast<std::uint8_t>(in[i] ^ stream_[used_++]));
    }
  }

  void increment() {
    for (std::size_t i = 16; i-- > 12;) {
      if (++counter_[i] != 0) break;
    }
  }

 private:
  const Key& key_;
  ByteString counter_;
  ByteString stream_;
  std::size_t used_ = 0;
};

template <class F>
void gcmForEachPiece(const ByteString& data, F&& f) {
  f(data);
}
template <class F>
void gcmForEachPiece(const LazyByteString& data, F&& f) {
  for (const ByteString& chunk : data.chunks()) f(chunk);
}

inline std::uint64_t gcmTotalBytes(const ByteString& data) { return data.size(); }
inline std::uint64_t gcmTotalBytes(const LazyByteString& data) { return data.size(); }

/// The hash key H and the first counter block J0 of `iv` (not empty).
template <class Key>
std::pair<ByteString, ByteString> gcmStart(const Key& key, const ByteString& iv) {
  ByteString h = encryptChecked(key, ByteString(16, 0));
  if (iv.size() == 12) {
    ByteString j0 = iv;
    j0.insert(j0.end(), {0, 0, 0, 1});
    return {std::move(h), std::move(j0)};
  }
  Ghash ghash(h);
  ghash.update(iv.data(), iv.size());
  ByteString j0 = ghash.finish(0, iv.size());
  return {std::move(h), std::move(j0)};
}

/// The full 16-byte tag: E(J0) XOR GHASH(A, C).
template <class Key, class Data>
ByteString gcmFullTag(const Key& key, const ByteString& h, const ByteString& j0, const Data& aad,
                      const ByteString& ciphertext) {
  Ghash ghash(h);
  gcmForEachPiece(aad, [&](const ByteString& piece) { ghash.update(piece.data(), piece.size()); });
  ghash.pad();
  ghash.update(ciphertext.data(), ciphertext.size());
  ByteString tag = ghash.finish(gcmTotalBytes(aad), ciphertext.size());
  const ByteString mask = encryptChecked(key, j0);
  for (std::size_t i = 0; i < 16; ++i) tag[i] ^= mask[i];
  return tag;
}

template <class Key, class Data>
AeadSealed gcmEncryptOver(const Key& key, std::size_t blockBytes, const ByteString& iv,
                          const Data& aad, const Data& plaintext, std::size_t tagBytes) {
  requireGcmBlock("gcmEncrypt", blockBytes);
  if (iv.empty()) throw std::invalid_argument("gcmEncrypt: an empty IV; GCM needs at least 1 byte");
  if (tagBytes < 4 || tagBytes > 16) {
    throw std::invalid_argument("gcmEncrypt: a tag of " + std::to_string(tagBytes) +
                                " bytes; GCM tags are 4 to 16 bytes");
  }
  if (gcmTotalBytes(plaintext) > kGcmMaxTextBytes) {
    throw std::invalid_argument("gcmEncrypt: a plaintext over 2^36 - 32 bytes");
  }
  const auto [h, j0] = gcmStart(key, iv);
  GcmCounter<Key> counter(key, j0);
  counter.increment();
  AeadSealed out;
  out.ciphertext.reserve(gcmTotalBytes(plaintext));
  gcmForEachPiece(plaintext, [&](const ByteString& piece) {
    counter.apply(piece.data(), piece.size(), out.ciphertext);
  });
  out.tag = gcmFullTag(key, h, j0, aad, out.ciphertext);
  out.tag.resize(tagBytes);
  return out;
}

template <class Key, class Data>
std::optional<ByteString> gcmDecryptOver(const Key& key, std::size_t blockBytes,
                                         const ByteString& iv, const Data& aad,
                                         const Data& ciphertext, const ByteString& tag) {
  requireGcmBlock("gcmDecrypt", blockBytes);
  if (iv.empty() || tag.size() < 4 || tag.size() > 16) return std::nullopt;
  if (gcmTotalBytes(ciphertext) > kGcmMaxTextBytes) return std::nullopt;
  ByteString whole;
  whole.reserve(gcmTotalBytes(ciphertext));
  gcmForEachPiece(ciphertext, [&](const ByteString& piece) {
    whole.insert(whole.end(), piece.begin(), piece.end());
  });
  const auto [h, j0] = gcmStart(key, iv);
  ByteString expected = gcmFullTag(key, h, j0, aad, whole);
  expected.resize(tag.size());
  if (!aeadTagsEqual(expected, tag)) return std::nullopt;
  GcmCounter<Key> counter(key, j0);
  counter.increment();
  ByteString plaintext;
  plaintext.reserve(whole.size());
  counter.apply(whole.data(), whole.size(), plaintext);
  return plaintext;
}

KAVRIT_CONSTRUCTION_HOOK4(gcmEncrypt, AeadSealed, ByteString, ByteString, ByteString, std::size_t,
                          "AeadSealed gcmEncrypt(const ByteString& iv, const ByteString& aad, "
                          "const ByteString& plaintext, std::size_t tagBytes) const",
                          "GCM")
KAVRIT_CONSTRUCTION_HOOK4(gcmDecrypt, std::optional<ByteString>, ByteString, ByteString, ByteString,
                          ByteString,
                          "std::optional<ByteString> gcmDecrypt(const ByteString& iv, const "
                          "ByteString& aad, const ByteString& ciphertext, const ByteString& tag) "
                          "const",
                          "GCM")
KAVRIT_CONSTRUCTION_HOOK4(gcmEncryptLazy, AeadSealed, ByteString, LazyByteString, LazyByteString,
                          std::size_t,
                          "AeadSealed gcmEncryptLazy(const ByteString& iv, const LazyByteString& "
                          "aad, const LazyByteString& plaintext, std::size_t tagBytes) const",
                          "GCM")
KAVRIT_CONSTRUCTION_HOOK4(gcmDecryptLazy, std::optional<ByteString>, ByteString, LazyByteString,
                          LazyByteString, ByteString,
                          "std::optional<ByteString> gcmDecryptLazy(const ByteString& iv, const "
                          "LazyByteString& aad, const LazyByteString& ciphertext, const "
                          "ByteString& tag) const",
                          "GCM")

}  // namespace detail

/// The ciphertext of `plaintext` and its tag of `tagBytes` bytes, over `aad` as well.
KAVRIT_HOOKED_FUNCTION4(gcmEncrypt, AeadSealed, ByteString, ByteString, ByteString, std::size_t,
                        gcmEncryptOver)
/// The plaintext, or nothing when the tag does not verify.
KAVRIT_HOOKED_FUNCTION4(gcmDecrypt, std::optional<ByteString>, ByteString, ByteString, ByteString,
                        ByteString, gcmDecryptOver)
/// The same over lazy AAD and text, whose blocks may straddle chunk boundaries.
KAVRIT_HOOKED_FUNCTION4(gcmEncryptLazy, AeadSealed, ByteString, LazyByteString, LazyByteString,
                        std::size_t, gcmEncryptOver)
KAVRIT_HOOKED_FUNCTION4(gcmDecryptLazy, std::optional<ByteString>, ByteString, LazyByteString,
                        LazyByteString, ByteString, gcmDecryptOver)

/// The GCM hooks that key type K brings itself, in the order gcmEncrypt, gcmDecrypt,
/// gcmEncryptLazy, gcmDecryptLazy.
template <BlockCipher K>
std::vector<std::string_view> ownGCMHooks() {
  std::vector<std::string_view> own;
  if (detail::own_gcmEncrypt<K>) own.push_back("gcmEncrypt");
  if (detail::own_gcmDecrypt<K>) own.push_back("gcmDecrypt");
  if (detail::own_gcmEncryptLazy<K>) own.push_back("gcmEncryptLazy");
  if (detail::own_gcmDecryptLazy<K>) own.push_back("gcmDecryptLazy");
  return own;
}

}  // namespace kavrit
