#pragma once

/// @file
/// Laws of state an implementation must not keep: a key object gives the same results however
/// often and in whatever order it is used, and so does its copy; a hash reads the bytes it is
/// given each time, not a buffer it has seen before.

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "Block Cipher State Tests". The operations are the 22 entry points of a key:
/// encryptBlock, decryptBlock, ecb, unEcb, ecbLazy, unEcbLazy and the strict and lazy forms of
/// cbc, unCbc, cfb, unCfb, ofb, unOfb, ctr and unCtr (output and next IV).
/// - "CopyAgrees" (property): a copy of a key (its copy constructor) gives what the original gives
///   for every operation on drawn inputs, and the original still does after the copy is gone;
/// - "SameOperationTwice" (unit case): each operation called twice on one key gives the same
///   result both times;
/// - "EveryOperationAfterEveryOther" (unit case): for each ordered pair of operations, the second
///   called on a key that has just done the first gives what it gives on a fresh key;
/// - "InterleavedOperations" (property): a drawn sequence of operations on one key, with drawn
///   inputs, gives at each step what a fresh key gives.
/// A case whose key cannot be built or whose IV cannot be read is discarded.
Test makeBlockCipherStateTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
Test makeBlockCipherStateTests() {
  return makeBlockCipherStateTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
Test makeBlockCipherStateTests(const K& /*key*/) {
  return makeBlockCipherStateTests<K>();
}

/// The group "Hash State Tests":
/// - "EqualBuffersEqualDigests" (unit case): for messages at block edges, `hashStrict` of two
///   separate buffers of equal content gives equal digests, and so does `hash` of two separately
///   built lazy strings;
/// - "BufferChangedInPlace" (unit case): a buffer hashed, changed in place (its first, a middle or
///   its last byte) and hashed again gives the digest of its new content;
/// - "DrawnBufferChangedInPlace" (property): the same for a drawn message and a drawn change.
Test makeHashStateTests(const AnyHash& hash);

/// The same for digest type D.
template <Hash D>
Test makeHashStateTests() {
  return makeHashStateTests(anyHash<D>());
}

/// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
Test makeHashStateTests(const D& /*digest*/) {
  return makeHashStateTests<D>();
}

}  // namespace kavrit::test
