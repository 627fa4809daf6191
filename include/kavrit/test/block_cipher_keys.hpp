#pragma once

/// @file
/// Laws of a cipher's keys: which byte strings `buildKey` accepts, and that every key bit reaches
/// the ciphertext.

#include <cstddef>
#include <utility>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "Block Cipher Key Tests", for a cipher whose keys are keyLength()/8 = N bytes:
/// - "AcceptsKeysOfKeyLength" (unit case): `buildKey` gives a key for the all-zero, the all-ones
///   and 16 fixed patterned keys of N bytes;
/// - "AcceptsDrawnKeys" (property): the same for drawn keys of N bytes;
/// - "RefusesOtherLengths" (unit case): `buildKey` gives nothing for every other length from 0 to
///   2·N bytes, zero bytes and patterned bytes alike, except the lengths in `otherKeyBytes` (a
///   cipher that also takes other key sizes, as Twofish's 16, 24 and 32 bytes; those lengths are
///   not checked either way);
/// - "DifferentKeysDifferentCiphertexts" (property): two different drawn keys encrypt a drawn
///   block to different ciphertexts;
/// - "EveryKeyBitMatters" (unit case): flipping any one bit of a fixed key (patterned, then all
///   zero) changes the ciphertext of a fixed block.
/// Throws std::invalid_argument when the key length is not a whole number of bytes.
Test makeBlockCipherKeyTests(const AnyBlockCipher& cipher,
                             std::vector<std::size_t> otherKeyBytes = {});

/// The same for key type K.
template <BlockCipher K>
Test makeBlockCipherKeyTests(std::vector<std::size_t> otherKeyBytes = {}) {
  return makeBlockCipherKeyTests(anyBlockCipher<K>(), std::move(otherKeyBytes));
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
Test makeBlockCipherKeyTests(const K& /*key*/, std::vector<std::size_t> otherKeyBytes = {}) {
  return makeBlockCipherKeyTests<K>(std::move(otherKeyBytes));
}

}  // namespace kavrit::test
