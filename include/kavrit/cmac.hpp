#pragma once

/// @file
/// CMAC (NIST SP 800-38B) over any `BlockCipher` with 64- or 128-bit blocks: `cmac` over a
/// `ByteString` and `cmacLazy` over a `LazyByteString`, both giving the full block-sized tag (a
/// caller that wants a shorter tag keeps its first bytes).
///
/// A key type may bring its own CMAC by defining a const member of the same name and shape:
///
///     ByteString cmac(const ByteString& message) const;
///     ByteString cmacLazy(const LazyByteString& message) const;
///
/// The free function then calls that member instead of the generic implementation here, which
/// needs only `encryptBlock`. A member with one of these names but another shape is a
/// compile-time error naming the hook. `ownCMACHooks<K>()` lists the hooks a key type brings.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/byte_string.hpp"
#include "kavrit/construction_hooks.hpp"

namespace kavrit {

namespace detail {

/// The constant R_b of the subkey doubling for a block of `blockBytes` bytes; throws
/// std::invalid_argument for blocks other than 64 and 128 bits.
inline std::uint8_t cmacRb(std::size_t blockBytes) {
  if (blockBytes == 16) return 0x87;
  if (blockBytes == 8) return 0x1B;
  throw std::invalid_argument("cmac: a block of " + std::to_string(blockBytes * 8) +
                              " bits; CMAC is defined for 64- and 128-bit blocks");
}

/// Doubling in GF(2^b): a left shift of the whole block, folding the bit shifted out back in
/// with R_b.
inline ByteString cmacDouble(const ByteString& x, std::uint8_t rb) {
  ByteString out(x.size());
  std::uint8_t carry = 0;
  for (std::size_t i = x.size(); i-- > 0;) {
    out[i] = static_cast<std::uint8_t>((x[i] << 1) | carry);
    carry = static_cast<std::uint8_t>(x[i] >> 7);
  }
  if (carry != 0) out.back() ^= rb;
  return out;
}

/// CMAC of a message fed in pieces. The last block is treated apart (whole: XOR K1; partial:
/// padded with 10..0 and XOR K2), so a full block is kept back until more input shows that it is
/// not the last one.
template <class Key>
class CmacState {
 public:
  CmacState(const Key& key, std::size_t blockBytes)
      : key_(key), rb_(cmacRb(blockBytes)), chain_(blockBytes, 0) {
    pending_.reserve(blockBytes);
  }

  void update(const std::uint8_t* p, std::size_t n) {
    const std::size_t b = chain_.size();
    while (n > 0) {
      if (pending_.size() == b) {
        for (std::size_t i = 0; i < b; ++i) chain_[i] ^= pending_[i];
        chain_ = encryptChecked(key_, chain_);
        pending_.clear();
      }
      const std::size_t take = std::min(b - pending_.size(), n);
      pending_.insert(pending_.end(), p, p + take);
      p += take;
      n -= take;
    }
  }

  ByteString finish() {
    const std::size_t b = chain_.size();
    const ByteString k1 = cmacDouble(encryptChecked(key_, ByteString(b, 0)), rb_);
    ByteString last = pending_;
    ByteString subkey = k1;
    if (last.size() < b) {
      last.push_back(0x80);
      last.resize(b, 0);
      subkey = cmacDouble(k1, rb_);
    }
    for (std::size_t i = 0; i < b; ++i) chain_[i] ^= static_cast<std::uint8_t>(last[i] ^ subkey[i]);
    return encryptChecked(key_, chain_);
  }

 private:
  const Key& key_;
  std::uint8_t rb_;
  ByteString chain_;
  ByteString pending_;
};

template <class Key>
ByteString cmacOver(const Key& key, std::size_t blockBytes, const ByteString& message) {
  CmacState<Key> state(key, blockBytes);
  state.update(message.data(), message.size());
  return state.finish();
}

template <class Key>
ByteString cmacOver(const Key& key, std::size_t blockBytes, const LazyByteString& message) {
  CmacState<Key> state(key, blockBytes);
  for (const ByteString& chunk : message.chunks()) state.update(chunk.data(), chunk.size());
  return state.finish();
}

KAVRIT_CONSTRUCTION_HOOK(cmac, ByteString, ByteString, "CMAC")
KAVRIT_CONSTRUCTION_HOOK(cmacLazy, ByteString, LazyByteString, "CMAC")

}  // namespace detail

/// The CMAC tag of `message`: one block (`cmac`); the same of a lazy message, whose blocks may
/// straddle chunk boundaries (`cmacLazy`).
KAVRIT_HOOKED_FUNCTION(cmac, ByteString, ByteString, cmacOver)
KAVRIT_HOOKED_FUNCTION(cmacLazy, ByteString, LazyByteString, cmacOver)

/// The CMAC hooks that key type K brings itself, in the order cmac, cmacLazy.
template <BlockCipher K>
std::vector<std::string_view> ownCMACHooks() {
  std::vector<std::string_view> own;
  if (detail::own_cmac<K>) own.push_back("cmac");
  if (detail::own_cmacLazy<K>) own.push_back("cmacLazy");
  return own;
}

}  // namespace kavrit
