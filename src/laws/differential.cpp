#include "kavrit/test/differential.hpp"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <rapidcheck.h>

#include "laws/drawn_keys.hpp"
#include "laws/hash_edges.hpp"
#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/block_cipher_props.hpp"

namespace kavrit::test {
namespace {

// Fails the running property with both byte strings when they differ: "<what>: the two
// implementations differ" and the first and second implementation's bytes.
void requireSameBytes(const std::string& what, const ByteString& first, const ByteString& second) {
  if (first == second) return;
  RC_FAIL(mismatchReport(what + ": the two implementations differ", toHex(first), toHex(second),
                         describeDifference(first, second), ValueLabels{"first", "second"}));
}

// Fails the unit case when the two implementations report different values of `what`.
void requireSameLength(const std::string& what, long first, long second) {
  assertEqual(what + ": the two implementations differ", first, second,
              ValueLabels{"first", "second"});
}

void requireSameDigest(const std::string& what, const Digest& first, const Digest& second) {
  requireSameBytes(what, first.serialize(), second.serialize());
}

// A drawn input of whole blocks of `blockBytes`: half the time the whole-block prefix of a
// boundary-aware lazy byte string, half the time that of an arbitraryLazyByteString.
RandomLazyBytes drawWholeBlocks(std::size_t blockBytes) {
  // Wrapped before they are picked, so that a failure report prints them as quoted chunks.
  const auto wrap = [](LazyByteString bytes) { return RandomLazyBytes{std::move(bytes)}; };
  const bool atEdges = *rc::gen::arbitrary<bool>();
  const LazyByteString drawn =
      (atEdges ? *rc::gen::map(arbitraryBoundaryLazyByteString(blockBytes), wrap)
               : *rc::gen::arbitrary<RandomLazyBytes>())
          .value;
  return RandomLazyBytes{takeLazy(drawn, drawn.size() - drawn.size() % blockBytes)};
}

using KeyPair = std::pair<std::unique_ptr<const AnyKey>, std::unique_ptr<const AnyKey>>;

KeyPair keysOrDiscard(const AnyBlockCipher& a, const AnyBlockCipher& b, const RandomBytes& seed) {
  std::unique_ptr<const AnyKey> first = detail::keyOrDiscard(a, seed);
  std::unique_ptr<const AnyKey> second = b.buildKey(keyMaterial(a.keyLength(), seed.value));
  if (!second) RC_FAIL("the second implementation refuses a key that the first accepts");
  return {std::move(first), std::move(second)};
}

std::pair<ByteString, ByteString> ivsOrDiscard(const AnyBlockCipher& a, const AnyBlockCipher& b,
                                               const RandomBytes& bytes) {
  ByteString first = detail::ivOrDiscard(a, bytes);
  std::optional<ByteString> second = b.parseIV(first);
  if (!second) RC_FAIL("the second implementation cannot read the first one's IV");
  return {std::move(first), std::move(*second)};
}

// One chained mode: the strict and lazy entry points of both directions, output and next IV.
Test differentialMode(const AnyBlockCipher& a, const AnyBlockCipher& b, const char* name,
                      ChainedMode encrypt, ChainedMode decrypt) {
  return testProperty(name, [&a, &b, name, encrypt, decrypt](const RandomBytes& keySeed,
                                                             const RandomBytes& ivBytes) {
    const auto [keyA, keyB] = keysOrDiscard(a, b, keySeed);
    const auto [ivA, ivB] = ivsOrDiscard(a, b, ivBytes);
    const LazyByteString lazy = drawWholeBlocks(a.blockBytes()).value;
    const ByteString strict = lazy.flatten();
    const auto compare = [name](const char* entry, const auto& first, const auto& second) {
      const std::string what = std::string(name) + " " + entry;
      const auto flat = [](const auto& out) {
        if constexpr (std::same_as<std::decay_t<decltype(out)>, LazyByteString>) {
          return out.flatten();
        } else {
          return out;
        }
      };
      requireSameBytes(what + " output", flat(first.first), flat(second.first));
      requireSameBytes(what + " next IV", first.second, second.second);
    };
    compare("encryption (strict)", keyA->chained(encrypt, ivA, strict),
            keyB->chained(encrypt, ivB, strict));
    compare("encryption (lazy)", keyA->chainedLazy(encrypt, ivA, lazy),
            keyB->chainedLazy(encrypt, ivB, lazy));
    compare("decryption (strict)", keyA->chained(decrypt, ivA, strict),
            keyB->chained(decrypt, ivB, strict));
    compare("decryption (lazy)", keyA->chainedLazy(decrypt, ivA, lazy),
            keyB->chainedLazy(decrypt, ivB, lazy));
  });
}

RandomBytes toRandomBytes(ByteString bytes) { return RandomBytes{std::move(bytes)}; }

}  // namespace

Test makeDifferentialHashTests(const AnyHash& a, const AnyHash& b) {
  return testGroup(
      "Differential Hash Tests",
      {
          testCase("SameLengths",
                   [&a, &b] {
                     requireSameLength("outputLength", a.outputLength(), b.outputLength());
                     requireSameLength("blockLength", a.blockLength(), b.blockLength());
                   }),
          testProperty("HashStrict",
                       [&a, &b](const RandomBytes& m) {
                         requireSameDigest("hashStrict", a.hashStrict(m.value),
                                           b.hashStrict(m.value));
                       }),
          testProperty("HashLazy",
                       [&a, &b](const RandomLazyBytes& m) {
                         requireSameDigest("hash", a.hash(m.value), b.hash(m.value));
                       }),
          testProperty("BlockEdges",
                       [&a, &b] {
                         const std::size_t block = detail::boundaryBlockBytes(a.blockLength());
                         const RandomLazyBytes m = *rc::gen::map(
                             arbitraryBoundaryLazyByteString(block), [](LazyByteString bytes) {
                               return RandomLazyBytes{std::move(bytes)};
                             });
                         requireSameDigest("hash", a.hash(m.value), b.hash(m.value));
                         const ByteString flat = m.value.flatten();
                         requireSameDigest("hashStrict", a.hashStrict(flat), b.hashStrict(flat));
                       }),
          testProperty("Parse",
                       [&a, &b] {
                         const auto outputBytes =
                             static_cast<std::size_t>(std::max(1L, a.outputLength() / 8));
                         const std::size_t length = *arbitraryBoundaryLength(outputBytes);
                         const RandomBytes bytes =
                             *rc::gen::map(arbitraryByteStringOfLength(length), toRandomBytes);
                         const std::optional<Digest> first = a.parse(bytes.value);
                         const std::optional<Digest> second = b.parse(bytes.value);
                         if (first.has_value() != second.has_value()) {
                           RC_FAIL("parse of " + std::to_string(length) + " bytes: only the " +
                                   (first ? "first" : "second") + " implementation accepts them");
                         }
                         if (first) requireSameDigest("parse", *first, *second);
                       }),
          testProperty("HMAC",
                       [&a, &b](const RandomBytes& key, const RandomLazyBytes& m) {
                         requireSameDigest("hmac", a.hmac(key.value, m.value),
                                           b.hmac(key.value, m.value));
                         const ByteString flat = m.value.flatten();
                         requireSameDigest("hmacStrict", a.hmacStrict(key.value, flat),
                                           b.hmacStrict(key.value, flat));
                       }),
      });
}

Test makeDifferentialBlockCipherTests(const AnyBlockCipher& a, const AnyBlockCipher& b) {
  return testGroup(
      "Differential Block Cipher Tests",
      {
          testCase("SameSizes",
                   [&a, &b] {
                     requireSameLength("blockSize", a.blockSize(), b.blockSize());
                     requireSameLength("keyLength", a.keyLength(), b.keyLength());
                   }),
          testProperty("BuildKey",
                       [&a, &b] {
                         const auto keyBytes =
                             static_cast<std::size_t>(std::max(1L, a.keyLength() / 8));
                         const std::size_t length = *arbitraryBoundaryLength(keyBytes);
                         const RandomBytes key =
                             *rc::gen::map(arbitraryByteStringOfLength(length), toRandomBytes);
                         const bool first = a.buildKey(key.value) != nullptr;
                         const bool second = b.buildKey(key.value) != nullptr;
                         if (first != second) {
                           RC_FAIL("buildKey of " + std::to_string(length) + " bytes: only the " +
                                   (first ? "first" : "second") + " implementation accepts them");
                         }
                       }),
          testProperty(
              "Blocks",
              [&a, &b](const RandomBytes& keySeed) {
                const auto [keyA, keyB] = keysOrDiscard(a, b, keySeed);
                const ByteString in = drawWholeBlocks(a.blockBytes()).value.flatten();
                requireSameBytes("encryptBlock", keyA->encryptBlock(in), keyB->encryptBlock(in));
                requireSameBytes("decryptBlock", keyA->decryptBlock(in), keyB->decryptBlock(in));
              }),
          testProperty("ECB",
                       [&a, &b](const RandomBytes& keySeed) {
                         const auto [keyA, keyB] = keysOrDiscard(a, b, keySeed);
                         const LazyByteString lazy = drawWholeBlocks(a.blockBytes()).value;
                         const ByteString strict = lazy.flatten();
                         requireSameBytes("ecb", keyA->ecb(strict), keyB->ecb(strict));
                         requireSameBytes("unEcb", keyA->unEcb(strict), keyB->unEcb(strict));
                         requireSameBytes("ecbLazy", keyA->ecbLazy(lazy).flatten(),
                                          keyB->ecbLazy(lazy).flatten());
                         requireSameBytes("unEcbLazy", keyA->unEcbLazy(lazy).flatten(),
                                          keyB->unEcbLazy(lazy).flatten());
                       }),
          differentialMode(a, b, "CBC", ChainedMode::CBC, ChainedMode::UnCBC),
          differentialMode(a, b, "CFB", ChainedMode::CFB, ChainedMode::UnCFB),
          differentialMode(a, b, "OFB", ChainedMode::OFB, ChainedMode::UnOFB),
          differentialMode(a, b, "CTR", ChainedMode::CTR, ChainedMode::UnCTR),
      });
}

}  // namespace kavrit::test
