#include "kavrit/test/hash_chunking.hpp"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <rapidcheck.h>

#include "laws/hash_edges.hpp"
#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/boundaries.hpp"

namespace kavrit::test {

namespace detail {

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

}  // namespace detail

namespace {

using detail::boundaryBlockBytes;
using detail::chunkedMessageText;
using detail::fixedMessage;

// Messages of the chunking and bit cases: boundaryLengths(B, kChunkingBlocks).
constexpr std::size_t kChunkingBlocks = 4;

void assertChunkedDigest(const AnyHash& h, const ByteString& message, const ChunkPlan& plan,
                         const Digest& strict) {
  assertEqual("hash of " + chunkedMessageText(plan) + " differs from hashStrict", strict,
              h.hash(applyChunkPlan(message, plan)), ValueLabels{"hashStrict", "hash"});
}

void everyChunkSize(const AnyHash& h) {
  const std::size_t b = boundaryBlockBytes(h.blockLength());
  for (const std::size_t n : boundaryLengths(b, kChunkingBlocks)) {
    const ByteString message = fixedMessage(n);
    const Digest strict = h.hashStrict(message);
    for (std::size_t size = 1; size <= 2 * b + 1; ++size) {
      assertChunkedDigest(h, message, fixedSizeChunks(n, size), strict);
    }
  }
}

void everyTwoChunkSplit(const AnyHash& h) {
  const std::size_t b = boundaryBlockBytes(h.blockLength());
  for (const std::size_t n : boundaryLengths(b, kChunkingBlocks)) {
    const ByteString message = fixedMessage(n);
    const Digest strict = h.hashStrict(message);
    for (std::size_t at = 1; at < n; ++at) assertChunkedDigest(h, message, splitAt(n, at), strict);
  }
}

void everyBitCounts(const AnyHash& h) {
  const std::size_t b = boundaryBlockBytes(h.blockLength());
  for (const std::size_t n : boundaryLengths(b, kChunkingBlocks)) {
    ByteString message = fixedMessage(n);
    const Digest original = h.hashStrict(message);
    for (const std::size_t bit : detail::bitsToFlip(n, b)) {
      const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
      message[bit / 8] ^= mask;
      const Digest flipped = h.hashStrict(message);
      message[bit / 8] ^= mask;
      if (flipped == original) {
        throw AssertionFailure("flipping bit " + std::to_string(bit % 8) + " (mask " +
                               toHex({mask}) + ") of byte " + std::to_string(bit / 8) + " of the " +
                               std::to_string(n) + "-byte message leaves its digest unchanged: " +
                               original.text() + "\nmessage: " + toHex(message));
      }
    }
  }
}

}  // namespace

Test makeHashChunkingTests(const AnyHash& h) {
  return testGroup(
      "Hash Chunking Tests",
      {
          testCase("EveryChunkSize", [&h] { everyChunkSize(h); }),
          testCase("EveryTwoChunkSplit", [&h] { everyTwoChunkSplit(h); }),
          testProperty("BoundaryChunkPlans",
                       [&h] {
                         const std::size_t b = boundaryBlockBytes(h.blockLength());
                         const RandomBytes m = *rc::gen::map(
                             arbitraryBoundaryByteString(b),
                             [](ByteString bytes) { return RandomBytes{std::move(bytes)}; });
                         const ChunkPlan plan = *arbitraryChunkPlan(m.value.size(), b);
                         if (!(h.hash(applyChunkPlan(m.value, plan)) == h.hashStrict(m.value))) {
                           RC_FAIL("hash of " + chunkedMessageText(plan) +
                                   " differs from hashStrict");
                         }
                       }),
          testCase("EveryBitCounts", [&h] { everyBitCounts(h); }),
      });
}

}  // namespace kavrit::test
