#pragma once

/// @file
/// Laws of a hash at block edges: the chunked entry point agrees with the strict one however a
/// message at a block or padding edge is cut, and every input bit reaches the digest.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/hash.hpp"
#include "kavrit/test/arbitrary.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/boundaries.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

namespace detail {

/// Messages of the chunking and bit cases: boundaryLengths(B, kChunkingBlocks).
inline constexpr std::size_t kChunkingBlocks = 4;

/// A block length in bits as whole bytes for the boundary laws. Throws std::invalid_argument
/// naming the length when it is under one byte or above kMaxBoundaryBlockBytes.
std::size_t boundaryBlockBytes(long bits);

/// The same fixed message of `n` bytes on every run; neighbouring bytes differ.
ByteString fixedMessage(std::size_t n);

/// The bits the bit law flips in a message of `n` bytes with blocks of `blockBytes` bytes, as
/// byte index · 8 + bit (0 is the lowest bit, mask 0x01). Every bit of a message of up to two
/// blocks; above that every bit of the first and the last block and one bit of each byte between
/// (byte i flips bit i mod 8).
std::vector<std::size_t> bitsToFlip(std::size_t n, std::size_t blockBytes);

/// "the 129-byte message in chunks [0..63|63..129]".
std::string chunkedMessageText(const ChunkPlan& plan);

template <Hash D>
void assertChunkedDigest(const ByteString& message, const ChunkPlan& plan, const D& strict) {
  assertEqual("hash of " + chunkedMessageText(plan) + " differs from hashStrict", strict,
              D::hash(applyChunkPlan(message, plan)), ValueLabels{"hashStrict", "hash"});
}

template <Hash D>
void everyChunkSize() {
  const std::size_t b = boundaryBlockBytes(static_cast<long>(D::blockLength()));
  for (const std::size_t n : boundaryLengths(b, kChunkingBlocks)) {
    const ByteString message = fixedMessage(n);
    const D strict = D::hashStrict(message);
    for (std::size_t size = 1; size <= 2 * b + 1; ++size) {
      assertChunkedDigest(message, fixedSizeChunks(n, size), strict);
    }
  }
}

template <Hash D>
void everyTwoChunkSplit() {
  const std::size_t b = boundaryBlockBytes(static_cast<long>(D::blockLength()));
  for (const std::size_t n : boundaryLengths(b, kChunkingBlocks)) {
    const ByteString message = fixedMessage(n);
    const D strict = D::hashStrict(message);
    for (std::size_t at = 1; at < n; ++at) assertChunkedDigest(message, splitAt(n, at), strict);
  }
}

template <Hash D>
void everyBitCounts() {
  const std::size_t b = boundaryBlockBytes(static_cast<long>(D::blockLength()));
  for (const std::size_t n : boundaryLengths(b, kChunkingBlocks)) {
    ByteString message = fixedMessage(n);
    const D original = D::hashStrict(message);
    for (const std::size_t bit : bitsToFlip(n, b)) {
      const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
      message[bit / 8] ^= mask;
      const D flipped = D::hashStrict(message);
      message[bit / 8] ^= mask;
      if (flipped == original) {
        throw AssertionFailure("flipping bit " + std::to_string(bit % 8) + " (mask " +
                               toHex({mask}) + ") of byte " + std::to_string(bit / 8) + " of the " +
                               std::to_string(n) + "-byte message leaves its digest unchanged: " +
                               digestText(original) + "\nmessage: " + toHex(message));
      }
    }
  }
}

}  // namespace detail

/// The group "Hash Chunking Tests":
/// - "EveryChunkSize": for each message of boundaryLengths(B, 4) bytes (B the block length in
///   bytes), `hash` of the message in chunks of every size from 1 to 2·B + 1 equals `hashStrict`;
/// - "EveryTwoChunkSplit": the same for every cut of such a message into two chunks;
/// - "BoundaryChunkPlans": the same for messages and chunk plans drawn by
///   arbitraryBoundaryByteString and arbitraryChunkPlan;
/// - "EveryBitCounts": flipping one bit of such a message changes its `hashStrict` digest, for
///   every bit of a message of up to 2·B bytes and for the bits of detail::bitsToFlip above that.
/// The first two and the last are unit cases over fixed messages, so they fail on every run; a
/// failure names the message length and the chunk plan, e.g. "[0..63|63..64|64..129]".
template <Hash D>
Test makeHashChunkingTests() {
  return testGroup(
      "Hash Chunking Tests",
      {
          testCase("EveryChunkSize", detail::everyChunkSize<D>),
          testCase("EveryTwoChunkSplit", detail::everyTwoChunkSplit<D>),
          testProperty("BoundaryChunkPlans",
                       [] {
                         const std::size_t b =
                             detail::boundaryBlockBytes(static_cast<long>(D::blockLength()));
                         const RandomBytes m = *rc::gen::map(
                             arbitraryBoundaryByteString(b),
                             [](ByteString bytes) { return RandomBytes{std::move(bytes)}; });
                         const ChunkPlan plan = *arbitraryChunkPlan(m.value.size(), b);
                         if (!(D::hash(applyChunkPlan(m.value, plan)) == D::hashStrict(m.value))) {
                           RC_FAIL("hash of " + detail::chunkedMessageText(plan) +
                                   " differs from hashStrict");
                         }
                       }),
          testCase("EveryBitCounts", detail::everyBitCounts<D>),
      });
}

/// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
Test makeHashChunkingTests(const D& /*digest*/) {
  return makeHashChunkingTests<D>();
}

}  // namespace kavrit::test
