#pragma once

// Nettle's streaming AEAD functions (ChaCha20-Poly1305's encrypt and decrypt, EAX's update,
// encrypt and decrypt) ask every call but the last for a whole number of blocks; the lazy entry
// points of the Nettle adapters regroup their chunks so.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "kavrit/byte_string.hpp"

namespace kavrit::examples::nettle_support {

/// Calls `feed(data, length)` over the bytes of `chunks` in order, every call but the last with a
/// whole number of `block`-byte blocks, and none with 0 bytes.
template <class Feed>
void feedWholeBlocks(std::span<const ByteString> chunks, std::size_t block, Feed&& feed) {
  ByteString pending;
  for (const ByteString& chunk : chunks) {
    std::size_t at = 0;
    if (!pending.empty()) {
      at = std::min(block - pending.size(), chunk.size());
      pending.insert(pending.end(), chunk.begin(), chunk.begin() + static_cast<long>(at));
      if (pending.size() < block) continue;
      feed(static_cast<const std::uint8_t*>(pending.data()), block);
      pending.clear();
    }
    const std::size_t whole = (chunk.size() - at) / block * block;
    if (whole > 0) feed(chunk.data() + at, whole);
    pending.assign(chunk.begin() + static_cast<long>(at + whole), chunk.end());
  }
  if (!pending.empty()) feed(static_cast<const std::uint8_t*>(pending.data()), pending.size());
}

}  // namespace kavrit::examples::nettle_support
