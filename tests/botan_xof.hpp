#pragma once

// Botan's SHAKE-128 and SHAKE-256 as kavrit XOF types: a second implementation besides OpenSSL.
//
// Botan 2 offers SHAKE as a hash of an output length fixed when the object is made, and as
// SHAKE_128_Cipher, whose key (the message) is at most 160 bytes. So the state keeps the message
// chunks and the output given so far; a squeeze past it hashes the chunks again, one update each,
// for an output at least twice as long.

#include <botan/hash.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "kavrit/xof.hpp"

namespace kavrit::test {

template <int Bits, long RateBits>
class BotanShake {
 public:
  static long blockLength() { return RateBits; }

  static BotanShake absorbStrict(const ByteString& message) {
    return BotanShake(std::vector<ByteString>{message});
  }
  static BotanShake absorb(const LazyByteString& message) { return BotanShake(message.chunks()); }

  ByteString squeeze(std::size_t bytes) {
    if (bytes > output_.size() - position_) {
      extend(std::max({position_ + bytes, 2 * output_.size(), std::size_t{256}}));
    }
    const auto from = output_.begin() + static_cast<std::ptrdiff_t>(position_);
    position_ += bytes;
    return ByteString(from, from + static_cast<std::ptrdiff_t>(bytes));
  }

 private:
  explicit BotanShake(std::vector<ByteString> chunks) : chunks_(std::move(chunks)) {}

  void extend(std::size_t length) {
    const std::string name =
        "SHAKE-" + std::to_string(Bits) + "(" + std::to_string(8 * length) + ")";
    const std::unique_ptr<Botan::HashFunction> hash = Botan::HashFunction::create(name);
    if (!hash) throw std::runtime_error("Botan has no " + name);
    for (const ByteString& chunk : chunks_) hash->update(chunk.data(), chunk.size());
    const Botan::secure_vector<std::uint8_t> out = hash->final();
    output_.assign(out.begin(), out.end());
  }

  std::vector<ByteString> chunks_;
  ByteString output_;
  std::size_t position_ = 0;
};

using BotanShake128 = BotanShake<128, 1344>;
using BotanShake256 = BotanShake<256, 1088>;

}  // namespace kavrit::test
