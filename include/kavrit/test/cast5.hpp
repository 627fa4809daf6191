#pragma once

/// @file
/// Known-answer tests of a CAST5 key type against the files in `Test/KAT_CAST5`, its key-length
/// laws, then the block-cipher laws.

#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The files of `Test/KAT_CAST5` whose names start with "ECB", "CBC", "CFB64", "OFB" or "CTR" and
/// whose stems end in 'e' (ECB, CBC, CFB64, OFB and CTR, [ENCRYPT] only), in name order, each read
/// as makeBlockCipherKATTests reads a file of that mode: one case per record, named "<file
/// name>-ENCRYPT-<COUNT>", 66 (RFC 2144's three ECB examples with 128-, 80- and 40-bit keys; 20
/// each of CBC, CFB64 and OFB and 3 of CTR, of 128 bits). Every record is tested whatever its key
/// length: one key type must take them all, and a KEY that buildKey refuses fails its case. Then
/// the group "CAST5 Key Length Tests" with "ZeroByteAppended" (unit case: a key K of 5 to 15 bytes
/// and K‖00 encrypt a block alike, as keys are padded with zeros to 128 bits, except for K of 10
/// bytes, where the cipher goes from 12 to 16 rounds and they must differ) and
/// "KnownAnswerAt88Bits" (unit case: the first 88-bit key past the 12-round edge, a 16-round known
/// answer computed with OpenSSL and checked with Nettle); then the two groups of
/// makeBlockCipherPropTests. A cipher whose blocks are not 64 bits gets the laws only. Throws when
/// the directory cannot be read.
std::vector<Test> makeCAST5Tests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeCAST5Tests() {
  return makeCAST5Tests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeCAST5Tests(const K& /*key*/) {
  return makeCAST5Tests<K>();
}

}  // namespace kavrit::test
