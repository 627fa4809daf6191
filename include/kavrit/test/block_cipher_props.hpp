#pragma once

/// @file
/// Laws that every block cipher obeys in ECB, CBC, CFB, OFB and CTR, checked on random inputs.

#include <optional>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/block_cipher.hpp"
#include "kavrit/padding.hpp"
#include "kavrit/test/arbitrary.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// Key material of keyLength/8 bytes cut from the endless repetition of `seed` followed by one
/// zero byte; empty when the key length is under one byte.
ByteString keyMaterial(long keyBits, const ByteString& seed);

/// The first `n` bytes of `bytes`, keeping its chunk boundaries.
LazyByteString takeLazy(const LazyByteString& bytes, std::size_t n);

namespace detail {

template <BlockCipher K>
K keyOrDiscard(const RandomBytes& seed) {
  std::optional<K> key = K::buildKey(keyMaterial(static_cast<long>(K::keyLength()), seed.value));
  RC_PRE(key.has_value());
  return *key;
}

template <BlockCipher K>
IV<K> ivOrDiscard(const RandomBytes& bytes) {
  std::optional<IV<K>> iv = IV<K>::parse(bytes.value);
  RC_PRE(iv.has_value());
  return *iv;
}

template <BlockCipher K>
LazyByteString wholeBlockPrefix(const LazyByteString& input) {
  const std::size_t b = blockBytes<K>();
  return takeLazy(input, input.size() - input.size() % b);
}

// Decryption undoes encryption on the padded plaintext, and both give the same next IV.
template <BlockCipher K, auto Encrypt, auto Decrypt>
Test chainedIdentity(const char* name) {
  return testProperty(name, [](const RandomBytes& keySeed, const RandomBytes& ivBytes,
                               const RandomBytes& plaintext) {
    const K key = keyOrDiscard<K>(keySeed);
    const IV<K> iv = ivOrDiscard<K>(ivBytes);
    const ByteString padded = padESPBlockSize(blockBytes<K>(), plaintext.value);
    const auto [ciphertext, nextIv] = Encrypt(key, iv, padded);
    const auto [decrypted, decryptNextIv] = Decrypt(key, iv, ciphertext);
    if (!(decrypted == padded)) RC_FAIL("decryption does not give back the padded plaintext");
    if (!(decryptNextIv == nextIv)) RC_FAIL("decryption gives another next IV than encryption");
  });
}

// The strict and lazy entry points agree on output and next IV, in both directions, on the
// whole-block prefix of a lazy input with its own chunk boundaries.
template <BlockCipher K, auto Encrypt, auto EncryptLazy, auto Decrypt, auto DecryptLazy>
Test chainedStrictLazy(const char* name) {
  return testProperty(name, [](const RandomBytes& keySeed, const RandomBytes& ivBytes,
                               const RandomLazyBytes& input) {
    const K key = keyOrDiscard<K>(keySeed);
    const IV<K> iv = ivOrDiscard<K>(ivBytes);
    const LazyByteString p = wholeBlockPrefix<K>(input.value);
    const ByteString flat = p.flatten();
    const auto [c, iv1] = Encrypt(key, iv, flat);
    const auto [cl, iv1l] = EncryptLazy(key, iv, p);
    if (!(cl == c)) RC_FAIL("lazy encryption gives other bytes than strict encryption");
    if (!(iv1 == iv1l)) RC_FAIL("lazy encryption gives another next IV than strict encryption");
    const auto [q, iv2] = Decrypt(key, iv, flat);
    const auto [ql, iv2l] = DecryptLazy(key, iv, p);
    if (!(ql == q)) RC_FAIL("lazy decryption gives other bytes than strict decryption");
    if (!(iv2 == iv2l)) RC_FAIL("lazy decryption gives another next IV than strict decryption");
  });
}

}  // namespace detail

/// Two groups: "Block Cipher tests (ident)" (decryption undoes encryption in ECB, CBC, CFB, OFB
/// and CTR) and "Block Cipher tests (lazy/string bytestring equality)" (strict and lazy entry
/// points agree). A case whose key cannot be built or whose IV cannot be read is discarded.
template <BlockCipher K>
std::vector<Test> makeBlockCipherPropTests() {
  using namespace detail;
  Test identity =
      testGroup("Block Cipher tests (ident)",
                {
                    testProperty("ECBEncDecID",
                                 [](const RandomBytes& keySeed, const RandomBytes& plaintext) {
                                   const K key = keyOrDiscard<K>(keySeed);
                                   const ByteString padded =
                                       padESPBlockSize(blockBytes<K>(), plaintext.value);
                                   const std::optional<ByteString> back =
                                       unpadESP(unEcb(key, ecb(key, padded)));
                                   if (!back) RC_FAIL("the decrypted padding does not unpad");
                                   if (!(*back == plaintext.value)) {
                                     RC_FAIL("decryption does not give back the plaintext");
                                   }
                                 }),
                    chainedIdentity<K, cbc<K>, unCbc<K>>("CBCEncDecID"),
                    chainedIdentity<K, cfb<K>, unCfb<K>>("CFBEncDecID"),
                    chainedIdentity<K, ofb<K>, unOfb<K>>("OFBEncDecID"),
                    chainedIdentity<K, ctr<K>, unCtr<K>>("CTREncDecID"),
                });
  Test strictLazy = testGroup(
      "Block Cipher tests (lazy/string bytestring equality)",
      {
          testProperty("ECBStringLazyEq",
                       [](const RandomBytes& keySeed, const RandomLazyBytes& input) {
                         const K key = keyOrDiscard<K>(keySeed);
                         const LazyByteString p = wholeBlockPrefix<K>(input.value);
                         const ByteString flat = p.flatten();
                         if (!(ecbLazy(key, p) == ecb(key, flat))) {
                           RC_FAIL("ecbLazy gives other bytes than ecb");
                         }
                         if (!(unEcbLazy(key, p) == unEcb(key, flat))) {
                           RC_FAIL("unEcbLazy gives other bytes than unEcb");
                         }
                       }),
          chainedStrictLazy<K, cbc<K>, cbcLazy<K>, unCbc<K>, unCbcLazy<K>>("CBCStrictLazyEq"),
          chainedStrictLazy<K, cfb<K>, cfbLazy<K>, unCfb<K>, unCfbLazy<K>>("CFBStrictLazyEq"),
          chainedStrictLazy<K, ofb<K>, ofbLazy<K>, unOfb<K>, unOfbLazy<K>>("OFBStrictLazyEq"),
          chainedStrictLazy<K, ctr<K>, ctrLazy<K>, unCtr<K>, unCtrLazy<K>>("CTRStrictLazyEq"),
      });
  return {std::move(identity), std::move(strictLazy)};
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeBlockCipherPropTests(const K& /*key*/) {
  return makeBlockCipherPropTests<K>();
}

}  // namespace kavrit::test
