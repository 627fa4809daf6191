#pragma once

/// @file
/// Differential laws: two implementations of the same algorithm (a reference and a fast one, say)
/// give identical bytes and next IVs through every entry point, on random inputs and on inputs at
/// block edges.

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "Differential Hash Tests" for two digest types of one algorithm:
/// - "SameLengths": equal outputLength and blockLength;
/// - "HashStrict", "HashLazy": `hashStrict` and `hash` serialise to the same bytes on
///   arbitraryByteString and arbitraryLazyByteString inputs;
/// - "BlockEdges": both entry points on arbitraryBoundaryLazyByteString inputs;
/// - "Parse": on byte strings of lengths around multiples of the digest length, both accept or
///   both refuse, and what they accept serialises to the same bytes;
/// - "HMAC": `hmac` and `hmacStrict` (each type's own, where it has them) agree.
Test makeDifferentialHashTests(const AnyHash& first, const AnyHash& second);

/// The same for digest types A and B.
template <Hash A, Hash B>
Test makeDifferentialHashTests() {
  return makeDifferentialHashTests(anyHash<A>(), anyHash<B>());
}

/// The same, for a caller that has digest values at hand; the values are never read.
template <Hash A, Hash B>
Test makeDifferentialHashTests(const A& /*first*/, const B& /*second*/) {
  return makeDifferentialHashTests<A, B>();
}

/// The group "Differential Block Cipher Tests" for two key types of one cipher:
/// - "SameSizes": equal blockSize and keyLength;
/// - "BuildKey": on keys of lengths around multiples of the key length, both accept or both
///   refuse;
/// - "Blocks": `encryptBlock` and `decryptBlock` agree;
/// - "ECB": `ecb`, `unEcb`, `ecbLazy` and `unEcbLazy` agree;
/// - "CBC", "CFB", "OFB", "CTR": each mode's strict and lazy entry points, both directions, give
///   the same bytes and the same next IV.
/// Keys are built from the same drawn material; inputs are whole blocks, drawn half the time at
/// block edges, half the time as the whole-block prefix of an arbitraryLazyByteString. A case
/// whose key the first type refuses, or whose IV it cannot read, is discarded; the second type
/// refusing what the first accepts fails.
Test makeDifferentialBlockCipherTests(const AnyBlockCipher& first, const AnyBlockCipher& second);

/// The same for key types A and B.
template <BlockCipher A, BlockCipher B>
Test makeDifferentialBlockCipherTests() {
  return makeDifferentialBlockCipherTests(anyBlockCipher<A>(), anyBlockCipher<B>());
}

/// The same, for a caller that has key values at hand; the values are never read.
template <BlockCipher A, BlockCipher B>
Test makeDifferentialBlockCipherTests(const A& /*first*/, const B& /*second*/) {
  return makeDifferentialBlockCipherTests<A, B>();
}

}  // namespace kavrit::test
