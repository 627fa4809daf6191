#pragma once

/// @file
/// Laws of the chained modes across calls: a message encrypted or decrypted in one call equals the
/// same message in two calls, the second starting from the next IV that the first returned.

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "Block Cipher Continuation Tests", one property per chained mode: "CBCContinuation",
/// "CFBContinuation", "OFBContinuation" and "CTRContinuation". Each draws a key, an IV and a
/// message of 32 blocks, and checks for encryption and decryption, through the strict and the
/// lazy entry points, that the message in one call gives the same bytes and next IV as in two
/// calls split at each block edge (0 to 32), the second call starting from the first call's next
/// IV. The lazy parts are cut by a plan from arbitraryChunkPlan. A failure names the entry point
/// and the split. A case whose key cannot be built or whose IV cannot be read is discarded.
Test makeBlockCipherContinuationTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
Test makeBlockCipherContinuationTests() {
  return makeBlockCipherContinuationTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
Test makeBlockCipherContinuationTests(const K& /*key*/) {
  return makeBlockCipherContinuationTests<K>();
}

}  // namespace kavrit::test
