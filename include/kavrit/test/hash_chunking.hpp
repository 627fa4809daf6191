#pragma once

/// @file
/// Laws of a hash at block edges: the chunked entry point agrees with the strict one however a
/// message at a block or padding edge is cut, and every input bit reaches the digest.

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "Hash Chunking Tests":
/// - "EveryChunkSize": for each message of boundaryLengths(B, 4) bytes (B the block length in
///   bytes), `hash` of the message in chunks of every size from 1 to 2·B + 1 equals `hashStrict`;
/// - "EveryTwoChunkSplit": the same for every cut of such a message into two chunks;
/// - "BoundaryChunkPlans": the same for messages and chunk plans drawn by
///   arbitraryBoundaryByteString and arbitraryChunkPlan;
/// - "EveryBitCounts": flipping one bit of such a message changes its `hashStrict` digest, for
///   every bit of a message of up to 2·B bytes; above that every bit of the first and the last
///   block and one bit of each byte between (byte i flips bit i mod 8).
/// The first two and the last are unit cases over fixed messages, so they fail on every run; a
/// failure names the message length and the chunk plan, e.g. "[0..63|63..64|64..129]".
Test makeHashChunkingTests(const AnyHash& hash);

/// The same for digest type D.
template <Hash D>
Test makeHashChunkingTests() {
  return makeHashChunkingTests(anyHash<D>());
}

/// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
Test makeHashChunkingTests(const D& /*digest*/) {
  return makeHashChunkingTests<D>();
}

}  // namespace kavrit::test
