#include "kavrit/test/block_cipher_props.hpp"

#include <algorithm>
#include <optional>

#include <rapidcheck.h>

#include "laws/drawn_keys.hpp"
#include "kavrit/padding.hpp"
#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"

namespace kavrit::test {

ByteString keyMaterial(long keyBits, const ByteString& seed) {
  const long n = keyBits / 8;
  if (n <= 0) return {};
  ByteString material(static_cast<std::size_t>(n));
  // Cycle through seed ++ [0]; an empty seed gives zeros.
  const std::size_t period = seed.size() + 1;
  for (std::size_t i = 0; i < material.size(); ++i) {
    const std::size_t j = i % period;
    material[i] = j < seed.size() ? seed[j] : 0;
  }
  return material;
}

LazyByteString takeLazy(const LazyByteString& bytes, std::size_t n) {
  LazyByteString out;
  for (const ByteString& chunk : bytes.chunks()) {
    if (n == 0) break;
    const std::size_t take = std::min(n, chunk.size());
    out.append(ByteString(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(take)));
    n -= take;
  }
  return out;
}

namespace {

using detail::ivOrDiscard;
using detail::keyOrDiscard;
using detail::wholeBlockPrefix;

// Decryption undoes encryption on the padded plaintext, and both give the same next IV.
Test chainedIdentity(const AnyBlockCipher& cipher, const char* name, ChainedMode encrypt,
                     ChainedMode decrypt) {
  return testProperty(
      name, [&cipher, encrypt, decrypt](const RandomBytes& keySeed, const RandomBytes& ivBytes,
                                        const RandomBytes& plaintext) {
        const auto key = keyOrDiscard(cipher, keySeed);
        const ByteString iv = ivOrDiscard(cipher, ivBytes);
        const ByteString padded = padESPBlockSize(cipher.blockBytes(), plaintext.value);
        const auto [ciphertext, nextIv] = key->chained(encrypt, iv, padded);
        const auto [decrypted, decryptNextIv] = key->chained(decrypt, iv, ciphertext);
        if (!(decrypted == padded)) RC_FAIL("decryption does not give back the padded plaintext");
        if (!(decryptNextIv == nextIv)) RC_FAIL("decryption gives another next IV than encryption");
      });
}

// The strict and lazy entry points agree on output and next IV, in both directions, on the
// whole-block prefix of a lazy input with its own chunk boundaries.
Test chainedStrictLazy(const AnyBlockCipher& cipher, const char* name, ChainedMode encrypt,
                       ChainedMode decrypt) {
  return testProperty(
      name, [&cipher, encrypt, decrypt](const RandomBytes& keySeed, const RandomBytes& ivBytes,
                                        const RandomLazyBytes& input) {
        const auto key = keyOrDiscard(cipher, keySeed);
        const ByteString iv = ivOrDiscard(cipher, ivBytes);
        const LazyByteString p = wholeBlockPrefix(cipher, input.value);
        const ByteString flat = p.flatten();
        const auto [c, iv1] = key->chained(encrypt, iv, flat);
        const auto [cl, iv1l] = key->chainedLazy(encrypt, iv, p);
        if (!(cl == c)) RC_FAIL("lazy encryption gives other bytes than strict encryption");
        if (!(iv1 == iv1l)) RC_FAIL("lazy encryption gives another next IV than strict encryption");
        const auto [q, iv2] = key->chained(decrypt, iv, flat);
        const auto [ql, iv2l] = key->chainedLazy(decrypt, iv, p);
        if (!(ql == q)) RC_FAIL("lazy decryption gives other bytes than strict decryption");
        if (!(iv2 == iv2l)) RC_FAIL("lazy decryption gives another next IV than strict decryption");
      });
}

}  // namespace

std::vector<Test> makeBlockCipherPropTests(const AnyBlockCipher& cipher) {
  Test identity = testGroup(
      "Block Cipher tests (ident)",
      {
          testProperty("ECBEncDecID",
                       [&cipher](const RandomBytes& keySeed, const RandomBytes& plaintext) {
                         const auto key = keyOrDiscard(cipher, keySeed);
                         const ByteString padded =
                             padESPBlockSize(cipher.blockBytes(), plaintext.value);
                         const std::optional<ByteString> back =
                             unpadESP(key->unEcb(key->ecb(padded)));
                         if (!back) RC_FAIL("the decrypted padding does not unpad");
                         if (!(*back == plaintext.value)) {
                           RC_FAIL("decryption does not give back the plaintext");
                         }
                       }),
          chainedIdentity(cipher, "CBCEncDecID", ChainedMode::CBC, ChainedMode::UnCBC),
          chainedIdentity(cipher, "CFBEncDecID", ChainedMode::CFB, ChainedMode::UnCFB),
          chainedIdentity(cipher, "OFBEncDecID", ChainedMode::OFB, ChainedMode::UnOFB),
          chainedIdentity(cipher, "CTREncDecID", ChainedMode::CTR, ChainedMode::UnCTR),
      });
  Test strictLazy = testGroup(
      "Block Cipher tests (lazy/string bytestring equality)",
      {
          testProperty("ECBStringLazyEq",
                       [&cipher](const RandomBytes& keySeed, const RandomLazyBytes& input) {
                         const auto key = keyOrDiscard(cipher, keySeed);
                         const LazyByteString p = wholeBlockPrefix(cipher, input.value);
                         const ByteString flat = p.flatten();
                         if (!(key->ecbLazy(p) == key->ecb(flat))) {
                           RC_FAIL("ecbLazy gives other bytes than ecb");
                         }
                         if (!(key->unEcbLazy(p) == key->unEcb(flat))) {
                           RC_FAIL("unEcbLazy gives other bytes than unEcb");
                         }
                       }),
          chainedStrictLazy(cipher, "CBCStrictLazyEq", ChainedMode::CBC, ChainedMode::UnCBC),
          chainedStrictLazy(cipher, "CFBStrictLazyEq", ChainedMode::CFB, ChainedMode::UnCFB),
          chainedStrictLazy(cipher, "OFBStrictLazyEq", ChainedMode::OFB, ChainedMode::UnOFB),
          chainedStrictLazy(cipher, "CTRStrictLazyEq", ChainedMode::CTR, ChainedMode::UnCTR),
      });
  return {std::move(identity), std::move(strictLazy)};
}

}  // namespace kavrit::test
