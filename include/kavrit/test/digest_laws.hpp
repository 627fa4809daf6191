#pragma once

/// @file
/// Laws of a digest value: its equality agrees with its bytes, and `parse` reads exactly a
/// digest's length from the front of its input.

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "Digest Tests", for digests of outputLength()/8 = N bytes:
/// - "DistinctMessagesDistinctDigests" (property): the digests of two different drawn messages
///   compare unequal and serialise differently; the digests of two equal messages compare equal;
/// - "EqualityFollowsBytes" (unit case): a digest parsed from a digest's bytes with any one byte
///   changed (each byte, first to last) compares unequal to it, both ways round, and one parsed
///   from the same bytes compares equal;
/// - "ParseRefusesShortInput" (unit case): `parse` gives nothing for every prefix of 0 to N − 1
///   bytes of a digest's bytes;
/// - "ParseReadsPrefix" (unit case): `parse` of a digest's bytes followed by 1, N or 2·N + 3 more
///   bytes gives that digest, bytes and equality alike.
Test makeDigestTests(const AnyHash& hash);

/// The same for digest type D.
template <Hash D>
Test makeDigestTests() {
  return makeDigestTests(anyHash<D>());
}

/// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
Test makeDigestTests(const D& /*digest*/) {
  return makeDigestTests<D>();
}

}  // namespace kavrit::test
