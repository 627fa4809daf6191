#pragma once

// SHAKE256 over Nettle, adapted to kavrit::Xof. Nettle 3.8 has SHAKE256 alone, and one-shot:
// sha3_256_shake gives one output and resets the context. The state keeps the absorbed context
// (a plain struct, copied by value) and the output given so far; a squeeze past it runs
// sha3_256_shake on a copy for an output at least twice as long, so n bytes squeezed in any
// number of calls cost O(n) Keccak work.

#include <nettle/sha3.h>

#include <algorithm>
#include <cstddef>

#include "kavrit/xof.hpp"

namespace kavrit::examples {

class NettleShake256 {
 public:
  static constexpr long blockLength() { return 8 * SHA3_256_BLOCK_SIZE; }

  static NettleShake256 absorbStrict(const ByteString& message) {
    NettleShake256 state;
    sha3_256_update(&state.ctx_, message.size(), message.data());
    return state;
  }

  /// Feeds every chunk to the one context.
  static NettleShake256 absorb(const LazyByteString& message) {
    NettleShake256 state;
    for (const ByteString& chunk : message.chunks()) {
      sha3_256_update(&state.ctx_, chunk.size(), chunk.data());
    }
    return state;
  }

  ByteString squeeze(std::size_t bytes) {
    if (bytes > output_.size() - position_) {
      sha3_256_ctx copy = ctx_;
      output_.resize(std::max({position_ + bytes, 2 * output_.size(), std::size_t{256}}));
      sha3_256_shake(&copy, output_.size(), output_.data());
    }
    const auto from = output_.begin() + static_cast<std::ptrdiff_t>(position_);
    position_ += bytes;
    return ByteString(from, from + static_cast<std::ptrdiff_t>(bytes));
  }

 private:
  NettleShake256() { sha3_256_init(&ctx_); }

  sha3_256_ctx ctx_{};
  ByteString output_;
  std::size_t position_ = 0;
};

}  // namespace kavrit::examples
