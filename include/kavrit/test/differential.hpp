#pragma once

/// @file
/// Differential laws: two implementations of the same algorithm (a reference and a fast one, say)
/// give identical bytes and next IVs through every entry point, on random inputs and on inputs at
/// block edges.

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include <rapidcheck.h>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/arbitrary.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/boundaries.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

namespace detail {

/// Fails the running property with both byte strings when they differ: "<what>: the two
/// implementations differ" and the first and second implementation's bytes.
void requireSameBytes(const std::string& what, const ByteString& first, const ByteString& second);

/// Fails the unit case when the two implementations report different values of `what`.
void requireSameLength(const std::string& what, long first, long second);

/// A drawn input of whole blocks of `blockBytes`: half the time the whole-block prefix of a
/// boundary-aware lazy byte string, half the time that of an arbitraryLazyByteString.
RandomLazyBytes drawWholeBlocks(std::size_t blockBytes);

template <Hash A, Hash B>
void requireSameDigest(const std::string& what, const A& first, const B& second) {
  requireSameBytes(what, first.serialize(), second.serialize());
}

template <BlockCipher A, BlockCipher B>
std::pair<A, B> keysOrDiscard(const RandomBytes& seed) {
  const A first = keyOrDiscard<A>(seed);
  const std::optional<B> second =
      B::buildKey(keyMaterial(static_cast<long>(A::keyLength()), seed.value));
  if (!second) RC_FAIL("the second implementation refuses a key that the first accepts");
  return {first, *second};
}

template <BlockCipher A, BlockCipher B>
std::pair<IV<A>, IV<B>> ivsOrDiscard(const RandomBytes& bytes) {
  const IV<A> first = ivOrDiscard<A>(bytes);
  const std::optional<IV<B>> second = IV<B>::parse(first.bytes());
  if (!second) RC_FAIL("the second implementation cannot read the first one's IV");
  return {first, *second};
}

template <class Out>
ByteString flatBytes(const Out& out) {
  if constexpr (std::same_as<Out, LazyByteString>) {
    return out.flatten();
  } else {
    return out;
  }
}

// One chained mode: the strict and lazy entry points of both directions, output and next IV.
template <BlockCipher A, BlockCipher B, auto EncA, auto EncLazyA, auto DecA, auto DecLazyA,
          auto EncB, auto EncLazyB, auto DecB, auto DecLazyB>
Test differentialMode(const char* name, const char* mode) {
  return testProperty(name, [mode](const RandomBytes& keySeed, const RandomBytes& ivBytes) {
    const auto [keyA, keyB] = keysOrDiscard<A, B>(keySeed);
    const auto [ivA, ivB] = ivsOrDiscard<A, B>(ivBytes);
    const LazyByteString lazy = drawWholeBlocks(blockBytes<A>()).value;
    const ByteString strict = lazy.flatten();
    const auto compare = [mode](const char* entry, const auto& first, const auto& second) {
      const std::string what = std::string(mode) + " " + entry;
      requireSameBytes(what + " output", flatBytes(first.first), flatBytes(second.first));
      requireSameBytes(what + " next IV", first.second.bytes(), second.second.bytes());
    };
    compare("encryption (strict)", EncA(keyA, ivA, strict), EncB(keyB, ivB, strict));
    compare("encryption (lazy)", EncLazyA(keyA, ivA, lazy), EncLazyB(keyB, ivB, lazy));
    compare("decryption (strict)", DecA(keyA, ivA, strict), DecB(keyB, ivB, strict));
    compare("decryption (lazy)", DecLazyA(keyA, ivA, lazy), DecLazyB(keyB, ivB, lazy));
  });
}

}  // namespace detail

/// The group "Differential Hash Tests" for two digest types of one algorithm:
/// - "SameLengths": equal outputLength and blockLength;
/// - "HashStrict", "HashLazy": `hashStrict` and `hash` serialise to the same bytes on
///   arbitraryByteString and arbitraryLazyByteString inputs;
/// - "BlockEdges": both entry points on arbitraryBoundaryLazyByteString inputs;
/// - "Parse": on byte strings of lengths around multiples of the digest length, both accept or
///   both refuse, and what they accept serialises to the same bytes;
/// - "HMAC": `hmac` and `hmacStrict` (each type's own, where it has them) agree.
template <Hash A, Hash B>
Test makeDifferentialHashTests() {
  using namespace detail;
  const auto toRandomBytes = [](ByteString bytes) { return RandomBytes{std::move(bytes)}; };
  return testGroup(
      "Differential Hash Tests",
      {
          testCase("SameLengths",
                   [] {
                     requireSameLength("outputLength", static_cast<long>(A::outputLength()),
                                       static_cast<long>(B::outputLength()));
                     requireSameLength("blockLength", static_cast<long>(A::blockLength()),
                                       static_cast<long>(B::blockLength()));
                   }),
          testProperty("HashStrict",
                       [](const RandomBytes& m) {
                         requireSameDigest("hashStrict", A::hashStrict(m.value),
                                           B::hashStrict(m.value));
                       }),
          testProperty("HashLazy",
                       [](const RandomLazyBytes& m) {
                         requireSameDigest("hash", A::hash(m.value), B::hash(m.value));
                       }),
          testProperty("BlockEdges",
                       [] {
                         const std::size_t b =
                             boundaryBlockBytes(static_cast<long>(A::blockLength()));
                         const RandomLazyBytes m = *rc::gen::map(
                             arbitraryBoundaryLazyByteString(b), [](LazyByteString bytes) {
                               return RandomLazyBytes{std::move(bytes)};
                             });
                         requireSameDigest("hash", A::hash(m.value), B::hash(m.value));
                         const ByteString flat = m.value.flatten();
                         requireSameDigest("hashStrict", A::hashStrict(flat), B::hashStrict(flat));
                       }),
          testProperty("Parse",
                       [toRandomBytes] {
                         const auto outputBytes = static_cast<std::size_t>(
                             std::max(1L, static_cast<long>(A::outputLength()) / 8));
                         const std::size_t length = *arbitraryBoundaryLength(outputBytes);
                         const RandomBytes bytes =
                             *rc::gen::map(arbitraryByteStringOfLength(length), toRandomBytes);
                         const std::optional<A> first = A::parse(bytes.value);
                         const std::optional<B> second = B::parse(bytes.value);
                         if (first.has_value() != second.has_value()) {
                           RC_FAIL("parse of " + std::to_string(length) + " bytes: only the " +
                                   (first ? "first" : "second") + " implementation accepts them");
                         }
                         if (first) requireSameDigest("parse", *first, *second);
                       }),
          testProperty("HMAC",
                       [](const RandomBytes& key, const RandomLazyBytes& m) {
                         requireSameDigest("hmac", hmac(MacKey<A>(key.value), m.value),
                                           hmac(MacKey<B>(key.value), m.value));
                         const ByteString flat = m.value.flatten();
                         requireSameDigest("hmacStrict", hmacStrict(MacKey<A>(key.value), flat),
                                           hmacStrict(MacKey<B>(key.value), flat));
                       }),
      });
}

/// The same, for a caller that has digest values at hand; the values are never read.
template <Hash A, Hash B>
Test makeDifferentialHashTests(const A& /*first*/, const B& /*second*/) {
  return makeDifferentialHashTests<A, B>();
}

/// The group "Differential Block Cipher Tests" for two key types of one cipher:
/// - "SameSizes": equal blockSize and keyLength;
/// - "BuildKey": on keys of lengths around multiples of the key length, both accept or both
///   refuse;
/// - "Blocks": `encryptBlock` and `decryptBlock` agree;
/// - "ECB": `ecb`, `unEcb`, `ecbLazy` and `unEcbLazy` agree;
/// - "CBC", "CFB", "OFB", "CTR": each mode's strict and lazy entry points, both directions, give
///   the same bytes and the same next IV.
/// Keys are built from the same drawn material; inputs are whole blocks, drawn half the time at
/// block edges (see detail::drawWholeBlocks). A case whose key the first type refuses, or whose
/// IV it cannot read, is discarded; the second type refusing what the first accepts fails.
template <BlockCipher A, BlockCipher B>
Test makeDifferentialBlockCipherTests() {
  using namespace detail;
  return testGroup(
      "Differential Block Cipher Tests",
      {
          testCase("SameSizes",
                   [] {
                     requireSameLength("blockSize", static_cast<long>(A::blockSize()),
                                       static_cast<long>(B::blockSize()));
                     requireSameLength("keyLength", static_cast<long>(A::keyLength()),
                                       static_cast<long>(B::keyLength()));
                   }),
          testProperty("BuildKey",
                       [] {
                         const auto keyBytes = static_cast<std::size_t>(
                             std::max(1L, static_cast<long>(A::keyLength()) / 8));
                         const std::size_t length = *arbitraryBoundaryLength(keyBytes);
                         const RandomBytes key = *rc::gen::map(
                             arbitraryByteStringOfLength(length),
                             [](ByteString bytes) { return RandomBytes{std::move(bytes)}; });
                         const bool first = A::buildKey(key.value).has_value();
                         const bool second = B::buildKey(key.value).has_value();
                         if (first != second) {
                           RC_FAIL("buildKey of " + std::to_string(length) + " bytes: only the " +
                                   (first ? "first" : "second") + " implementation accepts them");
                         }
                       }),
          testProperty(
              "Blocks",
              [](const RandomBytes& keySeed) {
                const auto [keyA, keyB] = keysOrDiscard<A, B>(keySeed);
                const ByteString in = drawWholeBlocks(blockBytes<A>()).value.flatten();
                requireSameBytes("encryptBlock", keyA.encryptBlock(in), keyB.encryptBlock(in));
                requireSameBytes("decryptBlock", keyA.decryptBlock(in), keyB.decryptBlock(in));
              }),
          testProperty("ECB",
                       [](const RandomBytes& keySeed) {
                         const auto [keyA, keyB] = keysOrDiscard<A, B>(keySeed);
                         const LazyByteString lazy = drawWholeBlocks(blockBytes<A>()).value;
                         const ByteString strict = lazy.flatten();
                         requireSameBytes("ecb", ecb(keyA, strict), ecb(keyB, strict));
                         requireSameBytes("unEcb", unEcb(keyA, strict), unEcb(keyB, strict));
                         requireSameBytes("ecbLazy", ecbLazy(keyA, lazy).flatten(),
                                          ecbLazy(keyB, lazy).flatten());
                         requireSameBytes("unEcbLazy", unEcbLazy(keyA, lazy).flatten(),
                                          unEcbLazy(keyB, lazy).flatten());
                       }),
          differentialMode<A, B, cbc<A>, cbcLazy<A>, unCbc<A>, unCbcLazy<A>, cbc<B>, cbcLazy<B>,
                           unCbc<B>, unCbcLazy<B>>("CBC", "CBC"),
          differentialMode<A, B, cfb<A>, cfbLazy<A>, unCfb<A>, unCfbLazy<A>, cfb<B>, cfbLazy<B>,
                           unCfb<B>, unCfbLazy<B>>("CFB", "CFB"),
          differentialMode<A, B, ofb<A>, ofbLazy<A>, unOfb<A>, unOfbLazy<A>, ofb<B>, ofbLazy<B>,
                           unOfb<B>, unOfbLazy<B>>("OFB", "OFB"),
          differentialMode<A, B, ctr<A>, ctrLazy<A>, unCtr<A>, unCtrLazy<A>, ctr<B>, ctrLazy<B>,
                           unCtr<B>, unCtrLazy<B>>("CTR", "CTR"),
      });
}

/// The same, for a caller that has key values at hand; the values are never read.
template <BlockCipher A, BlockCipher B>
Test makeDifferentialBlockCipherTests(const A& /*first*/, const B& /*second*/) {
  return makeDifferentialBlockCipherTests<A, B>();
}

}  // namespace kavrit::test
