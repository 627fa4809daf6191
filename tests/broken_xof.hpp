#pragma once

// Correct XOFs wrapped to break them one way: a flipped output bit (every known answer must see
// it), a squeeze that starts the output again on every call, and one that throws away the rest
// of the current block when a call starting inside it runs past its end. The last two give the
// right output to a single squeeze from a fresh state, which is all the known answers ask for.

#include <cstddef>
#include <utility>

#include "kavrit/xof.hpp"

namespace kavrit::test::broken {

template <Xof X>
struct FlipsXofBit {
  static long blockLength() { return static_cast<long>(X::blockLength()); }
  static FlipsXofBit absorbStrict(const ByteString& message) {
    return FlipsXofBit{X::absorbStrict(message)};
  }
  ByteString squeeze(std::size_t bytes) {
    ByteString out = inner.squeeze(bytes);
    if (!out.empty() && position == 0) out[0] ^= 0x01;
    position += bytes;
    return out;
  }
  X inner;
  std::size_t position = 0;
};

template <Xof X>
struct RestartsSqueeze {
  static long blockLength() { return static_cast<long>(X::blockLength()); }
  static RestartsSqueeze absorbStrict(const ByteString& message) {
    return RestartsSqueeze{X::absorbStrict(message)};
  }
  ByteString squeeze(std::size_t bytes) {
    X fresh = absorbed;
    return fresh.squeeze(bytes);
  }
  X absorbed;
};

template <Xof X>
struct LosesBytesAtRate {
  static long blockLength() { return static_cast<long>(X::blockLength()); }
  static LosesBytesAtRate absorbStrict(const ByteString& message) {
    return LosesBytesAtRate{X::absorbStrict(message)};
  }
  ByteString squeeze(std::size_t bytes) {
    const std::size_t rate = static_cast<std::size_t>(X::blockLength() / 8);
    const std::size_t into = position % rate;
    if (into != 0 && into + bytes > rate) {
      (void)inner.squeeze(rate - into);
      position += rate - into;
    }
    position += bytes;
    return inner.squeeze(bytes);
  }
  X inner;
  std::size_t position = 0;
};

}  // namespace kavrit::test::broken
