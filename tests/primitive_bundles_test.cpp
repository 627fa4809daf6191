// The bundles of the stream ciphers, MACs and AEADs: each is the builders it lists, in order, and
// runs green on two implementations (AES-GCM-SIV on OpenSSL alone, the only one with it); a
// correct type wrapped to flip one output bit, or to open whatever it is given, fails every
// known-answer leaf.

#include "kavrit/test/primitive_suites.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "botan_primitives.hpp"
#include "kat_fixture.hpp"
#include "kavrit/test/aead_props.hpp"
#include "kavrit/test/chacha20.hpp"
#include "kavrit/test/mac_props.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/rc4.hpp"
#include "kavrit/test/stream_cipher_props.hpp"
#include "kavrit/test/wycheproof_aead.hpp"
#include "nettle/nettle_arcfour.hpp"
#include "nettle/nettle_chacha.hpp"
#include "nettle/nettle_eax.hpp"
#include "nettle/nettle_siv.hpp"
#include "openssl/openssl_aes_gcm_siv.hpp"
#include "openssl/openssl_aes_siv.hpp"
#include "openssl/openssl_chacha20.hpp"
#include "openssl/openssl_rc4.hpp"
#include "openssl/openssl_xchacha20_poly1305.hpp"
#include "property_support.hpp"
#include "vectors/wycheproof_file.hpp"

namespace kavrit::test {
namespace {

using namespace examples;
using propcheck::Tree;
using Trees = std::vector<Tree>;
using Names = std::vector<std::string>;

// S with the last bit of every output of apply flipped.
template <StreamCipher S>
struct FlipsStreamBit {
  S inner;
  static long keyLength() { return S::keyLength(); }
  static long nonceLength() { return S::nonceLength(); }
  static long counterLength() { return S::counterLength(); }
  static long blockLength() { return S::blockLength(); }
  static bool acceptsKeyLength(long bits) { return streamAcceptsKeyLength<S>(bits); }
  static std::optional<FlipsStreamBit> start(const ByteString& key, const ByteString& nonce,
                                             std::uint64_t counter) {
    if (std::optional<S> s = S::start(key, nonce, counter)) return FlipsStreamBit{std::move(*s)};
    return std::nullopt;
  }
  std::optional<ByteString> apply(const ByteString& data) {
    std::optional<ByteString> out = inner.apply(data);
    if (out && !out->empty()) out->back() ^= 1;
    return out;
  }
};

// M with the last bit of every tag flipped.
template <Mac M>
struct FlipsTagBit {
  M inner;
  static long keyLength() { return M::keyLength(); }
  static long tagLength() { return M::tagLength(); }
  static std::optional<FlipsTagBit> buildKey(const ByteString& key) {
    if (std::optional<M> k = M::buildKey(key)) return FlipsTagBit{std::move(*k)};
    return std::nullopt;
  }
  [[nodiscard]] ByteString tag(const ByteString& message) const {
    ByteString out = inner.tag(message);
    out.back() ^= 1;
    return out;
  }
};

enum class AeadFault { FlipsSealedBit, OpensAnything };

// A, nonce-based or deterministic, with one fault: seal flips the last bit of the ciphertext (of
// the tag when there is no ciphertext), or open releases the ciphertext where A refuses.
template <class A, AeadFault F>
requires(Aead<A> || DeterministicAead<A>) struct BrokenAead {
  A inner;
  static long keyLength() { return A::keyLength(); }
  static long tagLength() { return A::tagLength(); }
  static long nonceLength() requires Aead<A> { return A::nonceLength(); }
  static bool acceptsNonceLength(long bits) requires Aead<A> { return A::acceptsNonceLength(bits); }
  static std::optional<BrokenAead> buildKey(const ByteString& key) {
    if (std::optional<A> k = A::buildKey(key)) return BrokenAead{std::move(*k)};
    return std::nullopt;
  }
  // (nonce, aad, plaintext), or (aad, plaintext) for a deterministic A.
  template <class... Args>
  requires requires(const A& a, const Args&... args) { a.seal(args...); }
  [[nodiscard]] AeadSealed seal(const Args&... args) const {
    AeadSealed s = inner.seal(args...);
    if (F == AeadFault::FlipsSealedBit) (s.ciphertext.empty() ? s.tag : s.ciphertext).back() ^= 1;
    return s;
  }
  // (nonce, aad, ciphertext, tag), or (aad, ciphertext, tag).
  template <class... Args>
  requires requires(const A& a, const Args&... args) { a.open(args...); }
  [[nodiscard]] std::optional<ByteString> open(const Args&... args) const {
    if constexpr (F == AeadFault::OpensAnything) {
      try {
        if (std::optional<ByteString> plaintext = inner.open(args...)) return plaintext;
      } catch (const std::invalid_argument&) {
      }
      return std::get<sizeof...(Args) - 2>(std::tie(args...));
    } else {
      return inner.open(args...);
    }
  }
};

// Every leaf as "<kind> /<group>/.../<name>", in order; without the groups "Slow" with `quick`.
void addPaths(const Tree& tree, const std::string& prefix, bool quick, Names& out) {
  const std::string path = prefix + "/" + tree.name();
  if (quick && tree.kind() == Tree::Kind::Group && tree.name() == "Slow") return;
  if (tree.kind() != Tree::Kind::Group) {
    out.push_back((tree.kind() == Tree::Kind::Case ? "case " : "property ") + path);
  }
  for (const Tree& child : tree.children()) addPaths(child, path, quick, out);
}
Names leafPaths(const Trees& trees, bool quick = false) {
  Names out;
  for (const Tree& tree : trees) addPaths(tree, "", quick, out);
  return out;
}

// The laws with their "Slow" groups, which the bundles leave out.
Tree laws(const AnyStreamCipher& c) { return makeStreamCipherPropTests(c, {.slow = true}); }
Tree laws(const AnyMac& m) { return makeMACPropTests(m, {.slow = true}); }
Tree laws(const AnyAead& a) { return makeAEADPropTests(a, {.slow = true}); }

// On each implementation the bundle's leaves are those of the builders it lists, in order, and
// all pass.
template <class Any>
void expectBundle(Trees (*bundle)(const Any&), std::initializer_list<Trees (*)(const Any&)> listed,
                  std::initializer_list<const Any*> implementations) {
  std::size_t index = 0;
  for (const Any* impl : implementations) {
    Trees builders;
    for (auto build : listed) {
      const Trees part = build(*impl);
      builders.insert(builders.end(), part.begin(), part.end());
    }
    builders.push_back(laws(*impl));
    const Trees trees = bundle(*impl);
    SCOPED_TRACE(trees.front().name() + ", implementation " + std::to_string(index++));
    EXPECT_EQ(leafPaths(trees), leafPaths(builders, true));
    EXPECT_GT(trees.size(), 3u);  // known answers, then the laws
    propcheck::expectAllLeavesPass(trees);
  }
}

// The names of the unit cases among `trees` that fail.
std::set<std::string> failing(const Trees& trees) {
  std::set<std::string> out;
  for (const Tree& leaf : propcheck::leaves(trees)) {
    if (leaf.kind() == Tree::Kind::Case && fixture::failureOf(leaf)) out.insert(leaf.name());
  }
  return out;
}

// A bundle's known-answer leaves: all its trees but the last, the laws.
Trees knownAnswers(const Trees& bundle) { return Trees(bundle.begin(), bundle.end() - 1); }

// The names of the invalid tests of a Wycheproof file, in the groups of `keyBits`.
std::set<std::string> invalidNames(const std::string& file, std::uint64_t keyBits) {
  std::set<std::string> names;
  const auto loaded = detail::loadWycheproofFile(getDataFileName("Test/WYCHEPROOF/" + file));
  for (const detail::WycheproofGroup& group : loaded->groups) {
    if (group.parameter("keySize") != keyBits) continue;
    for (const detail::WycheproofCase& test : group.tests) {
      if (test.result != detail::WycheproofResult::Invalid) continue;
      std::string name = file + "-tc" + std::to_string(test.tcId);
      for (const std::string& flag : test.flags) name += "-" + flag;
      names.insert(name);
    }
  }
  return names;
}

class PrimitiveBundles : public testing::Test {
 protected:
  fixture::DataDir data{false};
  NoteSink saved = setNoteSink([](const std::string&) {});
  ~PrimitiveBundles() override { setNoteSink(saved); }
};

TEST_F(PrimitiveBundles, EachIsItsBuildersInOrderAndPassesOnTwoImplementations) {
  expectBundle(makeChaCha20Suites, {makeChaCha20Tests},
               {&anyStreamCipher<OpenSSLChaCha20>(), &anyStreamCipher<NettleChaCha20>()});
  expectBundle(makeRC4Suites, {makeRC4Tests},
               {&anyStreamCipher<OpenSSLRC4>(), &anyStreamCipher<NettleArcfour>()});
  expectBundle(makePoly1305Suites, {makePoly1305Tests},
               {&anyMac<OpenSSLPoly1305>(), &anyMac<BotanPoly1305>()});
  expectBundle(makeChaCha20Poly1305Suites,
               {makeChaCha20Poly1305Tests, makeWycheproofChaCha20Poly1305Tests},
               {&anyAead<OpenSSLChaCha20Poly1305>(), &anyAead<NettleChaCha20Poly1305>()});
  expectBundle(makeXChaCha20Poly1305Suites, {makeWycheproofXChaCha20Poly1305Tests},
               {&anyAead<OpenSSLXChaCha20Poly1305>(), &anyAead<BotanXChaCha20Poly1305>()});
  expectBundle(makeAESEAXSuites, {makeWycheproofAESEAXTests},
               {&anyAead<NettleAesEax<128>>(), &anyAead<BotanAesEax<256>>()});
  expectBundle(makeAESSIVSuites, {makeWycheproofAESSIVTests},
               {&anyAead<OpenSSLAesSiv<256>>(), &anyAead<NettleAesSiv<384>>(),
                &anyAead<BotanAesSiv<512>>()});
  // OpenSSL's is the only AES-GCM-SIV at hand: its two key sizes.
  expectBundle(makeAESGCMSIVSuites, {makeWycheproofAESGCMSIVTests},
               {&anyAead<OpenSSLAesGcmSiv<128>>(), &anyAead<OpenSSLAesGcmSiv<256>>()});
}

// Every known-answer leaf fails under the fault.
void expectEveryKnownAnswerFails(const Trees& bundle, std::size_t count) {
  const Trees answers = knownAnswers(bundle);
  ASSERT_EQ(answers.size(), count);
  EXPECT_EQ(failing(answers).size(), count);
}

TEST_F(PrimitiveBundles, AFlippedOutputBitFailsEveryKnownAnswer) {
  expectEveryKnownAnswerFails(makeChaCha20Suites<FlipsStreamBit<OpenSSLChaCha20>>(), 3);
  expectEveryKnownAnswerFails(makeRC4Suites<FlipsStreamBit<NettleArcfour>>(), 252);
  expectEveryKnownAnswerFails(makePoly1305Suites<FlipsTagBit<BotanPoly1305>>(), 11);
}

// Sealing wrong fails every test with an answer, opening anything every invalid one: together,
// every known-answer leaf.
template <class A>
void expectAeadFaultsCaught(Trees (*bundle)(const AnyAead&), const std::string& file,
                            std::uint64_t keyBits) {
  SCOPED_TRACE(file);
  const Trees answers = knownAnswers(bundle(anyAead<A>()));
  const std::set<std::string> flipped =
      failing(knownAnswers(bundle(anyAead<BrokenAead<A, AeadFault::FlipsSealedBit>>())));
  const std::set<std::string> forged =
      failing(knownAnswers(bundle(anyAead<BrokenAead<A, AeadFault::OpensAnything>>())));
  const std::set<std::string> invalid = invalidNames(file, keyBits);
  ASSERT_GT(invalid.size(), 5u);
  for (const std::string& name : invalid) EXPECT_TRUE(forged.contains(name)) << name;
  for (const Tree& leaf : answers) {
    EXPECT_TRUE(flipped.contains(leaf.name()) || forged.contains(leaf.name())) << leaf.name();
  }
}

TEST_F(PrimitiveBundles, AWrongSealOrAForgeryOpenedFailsEveryKnownAnswer) {
  expectAeadFaultsCaught<OpenSSLChaCha20Poly1305>(makeChaCha20Poly1305Suites,
                                                  "chacha20_poly1305_test.json", 256);
  expectAeadFaultsCaught<BotanXChaCha20Poly1305>(makeXChaCha20Poly1305Suites,
                                                 "xchacha20_poly1305_test.json", 256);
  expectAeadFaultsCaught<NettleAesEax<128>>(makeAESEAXSuites, "aes_eax_test.json", 128);
  expectAeadFaultsCaught<OpenSSLAesGcmSiv<256>>(makeAESGCMSIVSuites, "aes_gcm_siv_test.json", 256);
  expectAeadFaultsCaught<NettleAesSiv<256>>(makeAESSIVSuites, "aes_siv_cmac_test.json", 256);
}

}  // namespace
}  // namespace kavrit::test
