#pragma once

/// @file
/// Known-answer tests of AES key wrap, KW and KWP (`kavrit::keyWrap`, `keyUnwrap`, `keyWrapPad`,
/// `keyUnwrapPad`, or the key type's own), against the NIST SP 800-38F files in
/// `Test/KAT_KEYWRAP`, with the records that must be refused.

#include <optional>
#include <string_view>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// One unit case per record of the files in `Test/KAT_KEYWRAP` named `KW` or `KWP`, `_AE`
/// (wrapping) or `_AD` (unwrapping), `_` and the key size, optionally `_inv` (over the inverse
/// cipher), then `.txt` ("KW_AE_128.txt", "KWP_AD_256_inv.txt"); each is named
/// "<file name>-<PLAINTEXT LENGTH>-<COUNT>" (the COUNT restarts for each plaintext length), in
/// listing order. Records whose K `buildKey` refuses are left out, decided when the suite is built.
/// A wrapping (`_AE`) case wraps P and compares with C, then unwraps C and compares with P; an
/// unwrapping (`_AD`) case unwraps C and compares with P, or, for a record holding the line FAIL,
/// fails when the unwrap gives anything at all, naming the record. A record with both P and FAIL,
/// or neither, is a failing case saying so. `_inv` files run kavrit's generic KW and KWP over the
/// inverse cipher (decryptBlock wraps and encryptBlock unwraps), never the key type's own hooks,
/// which have no inverse form. Throws when the directory cannot be read or a K is not hex; a
/// `buildKey` that throws gives a test failing with its error.
std::vector<Test> makeKeyWrapTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeKeyWrapTests() {
  return makeKeyWrapTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeKeyWrapTests(const K& /*key*/) {
  return makeKeyWrapTests<K>();
}

}  // namespace kavrit::test
