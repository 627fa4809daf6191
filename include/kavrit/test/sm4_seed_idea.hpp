#pragma once

/// @file
/// Known-answer tests of SM4, SEED and IDEA key types against the files in `Test/KAT_SM4`,
/// `Test/KAT_SEED` and `Test/KAT_IDEA`, each followed by the block-cipher laws. All three take
/// 128-bit keys only.
///
/// Each builder reads the files of its directory whose names start with "ECB", "CBC", "CFB",
/// "OFB" or "CTR" (the mode; CFB and OFB feed back whole blocks) and whose stems end in 'e' or
/// 'd', in name order, each as makeBlockCipherKATTests reads a file of that mode: one case per
/// record, named "<file name>-ENCRYPT-<COUNT>"; records whose KEY is not keyLength() bits long give
/// no test, and a KEY of that length that buildKey refuses fails. Then the two groups of
/// makeBlockCipherPropTests. A cipher of another block size gets the laws only. Throws when the
/// directory cannot be read.

#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// SM4 (GB/T 32907), 128-bit blocks: the examples of draft-ribose-cfrg-sm4-10, [ENCRYPT] only.
/// ECBSM4-e.rsp (4 records: the standard's two single-block examples and two 32-byte messages),
/// CBCSM4-e.rsp, CFB128SM4-e.rsp, OFBSM4-e.rsp (2 each) and CTRSM4-e.rsp (2 records of 64 bytes,
/// through ctr and ctrLazy): 12 cases, then the laws.
std::vector<Test> makeSM4Tests(const AnyBlockCipher& cipher);

/// SEED, 128-bit blocks, [ENCRYPT] only: ECBSEED-e.rsp (RFC 4269's 4 examples), CBCSEED-e.rsp
/// (RFC 4196's 2), CFB128SEED-e.rsp and OFBSEED-e.rsp (20 MMT-style records each): 46 cases, then
/// the laws.
std::vector<Test> makeSEEDTests(const AnyBlockCipher& cipher);

/// IDEA, 64-bit blocks, [ENCRYPT] only: ECBIDEA-e.rsp (NESSIE's 900 single-block records; their
/// iterated CIPHERTEXT100 and CIPHERTEXT1000 are not read), CBCIDEA-e.rsp, CFB64IDEA-e.rsp (full
/// 64-bit feedback) and OFBIDEA-e.rsp (20 records each): 960 cases, then the laws.
std::vector<Test> makeIDEATests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeSM4Tests() {
  return makeSM4Tests(anyBlockCipher<K>());
}
template <BlockCipher K>
std::vector<Test> makeSEEDTests() {
  return makeSEEDTests(anyBlockCipher<K>());
}
template <BlockCipher K>
std::vector<Test> makeIDEATests() {
  return makeIDEATests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeSM4Tests(const K& /*key*/) {
  return makeSM4Tests<K>();
}
template <BlockCipher K>
std::vector<Test> makeSEEDTests(const K& /*key*/) {
  return makeSEEDTests<K>();
}
template <BlockCipher K>
std::vector<Test> makeIDEATests(const K& /*key*/) {
  return makeIDEATests<K>();
}

}  // namespace kavrit::test
