// The bundles of the stream ciphers, MACs and AEADs: each is the builders it lists, in order, and
// runs green on two implementations (AES-GCM-SIV on OpenSSL alone, the only one with it); a
// correct type wrapped to flip one output bit, or to open whatever it is given, fails every
// known-answer leaf.

#include "kavrit/test/primitive_suites.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "botan_primitives.hpp"
#include "broken_primitives.hpp"
#include "kat_fixture.hpp"
#include "kavrit/test/aead_props.hpp"
#include "kavrit/test/chacha20.hpp"
#include "kavrit/test/mac_props.hpp"
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

namespace kavrit::test {
namespace {

using namespace examples;
using propcheck::Tree;
using Trees = std::vector<Tree>;
using Names = std::vector<std::string>;

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
