#include "kavrit/test/hash_chunking.hpp"

#include <stdexcept>

namespace kavrit::test::detail {

std::size_t boundaryBlockBytes(long bits) {
  if (bits < 8 || bits / 8 > static_cast<long>(kMaxBoundaryBlockBytes)) {
    throw std::invalid_argument(
        "a block length of " + std::to_string(bits) + " bits is outside the 1 to " +
        std::to_string(kMaxBoundaryBlockBytes) + " bytes that the boundary laws cover");
  }
  return static_cast<std::size_t>(bits / 8);
}

ByteString fixedMessage(std::size_t n) {
  ByteString message(n);
  // An odd multiplier walks through all 256 values before repeating.
  for (std::size_t i = 0; i < n; ++i) message[i] = static_cast<std::uint8_t>(i * 167 + 13);
  return message;
}

std::vector<std::size_t> bitsToFlip(std::size_t n, std::size_t blockBytes) {
  std::vector<std::size_t> bits;
  const auto everyBitOf = [&bits](std::size_t from, std::size_t to) {
    for (std::size_t bit = from * 8; bit < to * 8; ++bit) bits.push_back(bit);
  };
  if (n <= 2 * blockBytes) {
    everyBitOf(0, n);
    return bits;
  }
  everyBitOf(0, blockBytes);
  for (std::size_t i = blockBytes; i < n - blockBytes; ++i) bits.push_back(i * 8 + i % 8);
  everyBitOf(n - blockBytes, n);
  return bits;
}

std::string chunkedMessageText(const ChunkPlan& plan) {
  return "the " + std::to_string(plan.length) + "-byte message in chunks " +
         describeChunkPlan(plan);
}

}  // namespace kavrit::test::detail
