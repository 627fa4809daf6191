#pragma once

/// @file
/// Laws of a cipher that takes keys of several lengths (Blowfish, CAST5): the lengths it declares
/// with `acceptsKeyLength` are the ones `buildKey` takes, and each of them is a working key size.

#include <cstddef>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// Key lengths up to this many bytes are scanned for the ones a cipher declares.
inline constexpr std::size_t kScannedKeyBytes = 128;

/// The group "Variable Key Length Tests", over the whole-byte key lengths from 0 to
/// kScannedKeyBytes that the cipher declares (acceptsKeyLength; keyLength() alone for a cipher
/// without it):
/// - "BuildKeyTakesTheDeclaredLengths" (unit case): keyLength() is among them, and `buildKey`
///   gives a key for an all-zero and a patterned key of every declared length and nothing for
///   every other length, so the lengths just outside a range are refused;
/// - "EachLengthRoundTrips" (unit case): at every declared length, decryptBlock undoes
///   encryptBlock on two blocks, and the ECB of two blocks is their encryptions one after the
///   other;
/// - "EveryKeyBitMattersAtEachLength" (unit case): at every declared length, flipping any one bit
///   of a patterned key changes the ciphertext of a fixed block (a key is not compared with keys
///   of other lengths: Blowfish's K and K‖K, or CAST5's short keys with a zero byte appended, are
///   the same key);
/// - "DrawnKeysOfDrawnLengths" (property): a drawn key of a drawn declared length is accepted and
///   decryptBlock undoes its encryptBlock on a drawn block.
/// A cipher without acceptsKeyLength gets the same laws for its one length.
Test makeVariableKeyLengthTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
Test makeVariableKeyLengthTests() {
  return makeVariableKeyLengthTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
Test makeVariableKeyLengthTests(const K& /*key*/) {
  return makeVariableKeyLengthTests<K>();
}

}  // namespace kavrit::test
