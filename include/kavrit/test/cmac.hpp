#pragma once

/// @file
/// Known-answer tests of CMAC (`kavrit::cmac` and `kavrit::cmacLazy`, or the key type's own)
/// against the NIST SP 800-38B files in `Test/KAT_CMAC`, followed by the CMAC law.

#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// One unit case per record of the files in `Test/KAT_CMAC`, named "<file name>-<COUNT>", in
/// listing order; then the group "CMAC Property Tests" (see makeCMACPropTests). A file whose name
/// holds "3des" is for a cipher with 64-bit blocks and a key made of its KEY1, KEY2 and KEY3 in
/// that order; one whose name holds "aes" for 128-bit blocks and its KEY; files for another block
/// size than the cipher's, and files of neither kind, yield no test. Records whose key `buildKey`
/// refuses are left out, decided when the suite is built. Each case computes the tag of MESSAGE
/// with `cmac` on the whole message and with `cmacLazy` on it in kVectorChunkSize-byte chunks; each
/// tag, cut to the length of OUTPUT, must equal OUTPUT. Throws when the directory cannot be read or
/// a key is not hex; a `buildKey` that throws gives a test failing with its error.
std::vector<Test> makeCMACTests(const AnyBlockCipher& cipher);

/// The group "CMAC Property Tests": "LazyStrictEqual", `cmacLazy` over a random chunking of a
/// random message gives the tag `cmac` gives for the whole message, under random keys.
std::vector<Test> makeCMACPropTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeCMACTests() {
  return makeCMACTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeCMACTests(const K& /*key*/) {
  return makeCMACTests<K>();
}

}  // namespace kavrit::test
