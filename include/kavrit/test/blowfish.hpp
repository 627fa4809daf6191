#pragma once

/// @file
/// Known-answer tests of a Blowfish key type against the files in `Test/KAT_BLOWFISH`, its
/// key-length laws, then the block-cipher laws.

#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The files of `Test/KAT_BLOWFISH` whose names start with "ECB", "CBC", "CFB64", "OFB" or "CTR"
/// and whose stems end in 'e' (ECB, CBC, CFB64 and OFB, [ENCRYPT] only), in name order, each read
/// as makeBlockCipherKATTests reads a file of that mode: one case per record, named "<file
/// name>-ENCRYPT-<COUNT>", 58 (55 ECB, with keys of 32 to 192 bits; one CBC, one CFB64 and one OFB,
/// of 128 bits, the last two ending inside a block). Every record is tested whatever its key
/// length: one key type must take them all, and a KEY that buildKey refuses fails its case. Then
/// the group "Blowfish Key Length Tests" with "RepeatedKeyIsTheSameKey" (unit case: a key K of 4 to
/// 28 bytes and K‖K encrypt a block alike, since the key schedule cycles the key over its 72 bytes;
/// an implementation that cuts long keys short fails it); then the two groups of
/// makeBlockCipherPropTests. A cipher whose blocks are not 64 bits gets the laws only. Throws when
/// the directory cannot be read.
std::vector<Test> makeBlowfishTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeBlowfishTests() {
  return makeBlowfishTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeBlowfishTests(const K& /*key*/) {
  return makeBlowfishTests<K>();
}

}  // namespace kavrit::test
