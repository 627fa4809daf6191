#pragma once

/// @file
/// Known-answer tests of a Camellia key type against the files in `Test/KAT_CAMELLIA_NIST`,
/// followed by the block-cipher laws.

#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The files of `Test/KAT_CAMELLIA_NIST` whose names start with "ECB", "CBC", "CFB128" or "OFB" and
/// whose stems end in 'e' or 'd', as in `Test/KAT_AES` (NTT's ECB vectors for each key size, and
/// the CBC, CFB128 and OFB files of all three sizes, [ENCRYPT] only), each read as
/// makeBlockCipherKATTests reads a file of that mode: one case per record, named "<file
/// name>-ENCRYPT-<COUNT>", in listing order; records whose KEY is not keyLength() bits long give no
/// test, and a KEY of that length that buildKey refuses fails. Then the two groups of
/// makeBlockCipherPropTests. A cipher whose blocks are not 128 bits gets the laws only. Throws when
/// the directory cannot be read.
std::vector<Test> makeCamelliaTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeCamelliaTests() {
  return makeCamelliaTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeCamelliaTests(const K& /*key*/) {
  return makeCamelliaTests<K>();
}

}  // namespace kavrit::test
