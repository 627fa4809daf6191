#pragma once

/// @file
/// Laws that every block cipher obeys in ECB, CBC, CFB, OFB and CTR, checked on random inputs.

#include <cstddef>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// Key material of keyLength/8 bytes cut from the endless repetition of `seed` followed by one
/// zero byte; empty when the key length is under one byte.
ByteString keyMaterial(long keyBits, const ByteString& seed);

/// The first `n` bytes of `bytes`, keeping its chunk boundaries.
LazyByteString takeLazy(const LazyByteString& bytes, std::size_t n);

/// Two groups: "Block Cipher tests (ident)" (decryption undoes encryption in ECB, CBC, CFB, OFB
/// and CTR: ECBEncDecID, CBCEncDecID, CFBEncDecID, OFBEncDecID, CTREncDecID) and "Block Cipher
/// tests (lazy/string bytestring equality)" (strict and lazy entry points agree: ECBStringLazyEq,
/// CBCStrictLazyEq, CFBStrictLazyEq, OFBStrictLazyEq, CTRStrictLazyEq). A case whose key cannot
/// be built or whose IV cannot be read is discarded.
std::vector<Test> makeBlockCipherPropTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeBlockCipherPropTests() {
  return makeBlockCipherPropTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeBlockCipherPropTests(const K& /*key*/) {
  return makeBlockCipherPropTests<K>();
}

}  // namespace kavrit::test
