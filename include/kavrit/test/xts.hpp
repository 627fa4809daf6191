#pragma once

/// @file
/// Known-answer tests of XTS (`kavrit::xtsEncrypt` and `kavrit::xtsDecrypt`, or the key type's
/// own) against the NIST XTSVS files in `Test/KAT_XTS`, followed by the XTS laws.

#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// One unit case per whole-byte record of the XTSVS file for the cipher's key length, named
/// "<file name>-<ENCRYPT or DECRYPT>-<COUNT>" (the COUNT restarts in each section), in file order;
/// then the group "XTS Property Tests" (see makeXTSPropTests). A key length of 128 bits reads
/// XTSGenAES128.rsp (800 cases), 256 bits XTSGenAES256.rsp (600 cases); other key lengths have no
/// file and get the laws alone. Records whose DataUnitLen is not a multiple of 8 bits yield no
/// test. The Key field holds the data key followed by the tweak key, each of the cipher's key
/// length, and `i` the tweak; a record whose key halves `buildKey` refuses is left out, decided
/// when the suite is built. An [ENCRYPT] case computes `xtsEncrypt` of PT and compares with CT,
/// a [DECRYPT] case `xtsDecrypt` of CT with PT. A record whose PT or CT is not DataUnitLen long,
/// whose data unit is under one block, whose `i` is not 16 bytes or whose Key is not two keys is a
/// failing case saying so. Throws std::invalid_argument for a cipher whose blocks are not 128 bits,
/// and when the directory cannot be read or a field is not hex; a `buildKey` that throws gives a
/// test failing with its error.
std::vector<Test> makeXTSTests(const AnyBlockCipher& cipher);

/// The group "XTS Property Tests", under random data and tweak keys, tweaks and data units of 16
/// to 96 bytes, whole blocks or not: "DecryptInvertsEncrypt", `xtsDecrypt` of `xtsEncrypt` gives
/// back the data; "StealingMatchesWholeBlocks", the encryption of the data's whole blocks alone
/// agrees with the encryption of all the data on every block before the last two, and the first
/// bytes of its last block are the data's encrypted partial block (ciphertext stealing moves them
/// there); for whole-block data the two encryptions are equal.
std::vector<Test> makeXTSPropTests(const AnyBlockCipher& cipher);

/// The same for key type K; a type whose `blockSize()` is a constant other than 128 is a
/// compile-time error.
template <BlockCipher K>
std::vector<Test> makeXTSTests() {
  static_assert(kavrit::detail::xtsBlockSizeFits<K>(),
                "makeXTSTests: XTS is defined for 128-bit blocks only, and this key type's "
                "blockSize() is another");
  return makeXTSTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeXTSTests(const K& /*key*/) {
  return makeXTSTests<K>();
}

}  // namespace kavrit::test
