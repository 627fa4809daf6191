// Blowfish and CAST5: their builders and bundles on the committed files against OpenSSL and Nettle,
// the key-length laws, and the faults of variable key lengths that they must catch.

#include <gtest/gtest.h>
#include <nettle/cast128.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/test/algorithm_suites.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_keys.hpp"
#include "kavrit/test/blowfish.hpp"
#include "kavrit/test/cast5.hpp"
#include "kavrit/test/construction_oracles.hpp"
#include "kavrit/test/differential.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/long_constructions.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/state_laws.hpp"
#include "kavrit/test/variable_key_lengths.hpp"
#include "nettle/nettle_blowfish_cast5.hpp"
#include "openssl/openssl_blowfish_cast5.hpp"
#include "openssl/openssl_camellia.hpp"

namespace kavrit::test {
namespace {

using namespace kavrit::examples;
using support::failureOf;
using Tree = kavrit::test::Test;

// Unit cases per file, the names of the failing ones, and the failing children of the groups.
struct Outcome {
  std::map<std::string, int> casesPerFile;
  std::vector<std::string> failingCases;
  std::vector<std::string> failingInGroups;
  std::size_t groups = 0;
};

void collectFailures(const Tree& tree, const std::string& path, std::vector<std::string>& out) {
  if (tree.kind() == Tree::Kind::Case) {
    if (failureOf(tree)) out.push_back(tree.name());
    return;
  }
  if (tree.kind() != Tree::Kind::Group) {
    if (!tree.check(path).passed()) out.push_back(tree.name());
    return;
  }
  for (const Tree& child : tree.children()) collectFailures(child, path + "/" + child.name(), out);
}

Outcome run(const std::vector<Tree>& trees) {
  Outcome out;
  for (const Tree& t : trees) {
    if (t.kind() != Tree::Kind::Case) {
      ++out.groups;
      collectFailures(t, t.name(), out.failingInGroups);
      continue;
    }
    ++out.casesPerFile[t.name().substr(0, t.name().find(".rsp"))];
    if (failureOf(t)) out.failingCases.push_back(t.name());
  }
  return out;
}

std::size_t leaves(const Tree& tree) {
  if (tree.kind() != Tree::Kind::Group) return 1;
  std::size_t n = 0;
  for (const Tree& child : tree.children()) n += leaves(child);
  return n;
}

std::size_t leaves(const std::vector<Tree>& trees) {
  std::size_t n = 0;
  for (const Tree& t : trees) n += leaves(t);
  return n;
}

const std::map<std::string, int> kBlowfishFiles{
    {"CBCBlowfish-e", 1}, {"CFB64Blowfish-e", 1}, {"ECBBlowfish-e", 55}, {"OFBBlowfish-e", 1}};
const std::map<std::string, int> kCAST5Files{{"CBCCAST5-e", 20},
                                             {"CFB64CAST5-e", 20},
                                             {"CTRCAST5-e", 3},
                                             {"ECBCAST5-e", 3},
                                             {"OFBCAST5-e", 20}};
const std::vector<std::string> kNone;

TEST(BlowfishSuite, PassesOnOpenSSLAndNettle) {
  // 58 records, the key-length case and the ten properties.
  EXPECT_EQ(leaves(makeBlowfishTests<NettleBlowfish>()), 69u);
  for (const Outcome& outcome :
       {run(makeBlowfishTests<OpenSSLBlowfish>()), run(makeBlowfishTests<NettleBlowfish>())}) {
    EXPECT_EQ(outcome.casesPerFile, kBlowfishFiles);
    EXPECT_EQ(outcome.failingCases, kNone);
    EXPECT_EQ(outcome.groups, 3u);  // the key-length group and the two property groups
    EXPECT_EQ(outcome.failingInGroups, kNone);
  }
}

TEST(CAST5Suite, PassesOnOpenSSLAndNettle) {
  EXPECT_EQ(leaves(makeCAST5Tests<NettleCAST5>()), 78u);
  for (const Outcome& outcome :
       {run(makeCAST5Tests<OpenSSLCAST5>()), run(makeCAST5Tests<NettleCAST5>())}) {
    EXPECT_EQ(outcome.casesPerFile, kCAST5Files);
    EXPECT_EQ(outcome.failingCases, kNone);
    EXPECT_EQ(outcome.groups, 3u);
    EXPECT_EQ(outcome.failingInGroups, kNone);
  }
}

TEST(BlowfishCAST5Bundles, PassOnOpenSSLAndNettle) {
  for (const std::vector<Tree>& trees :
       {makeBlowfishSuites<OpenSSLBlowfish>(), makeBlowfishSuites<NettleBlowfish>(),
        makeCAST5Suites<OpenSSLCAST5>(), makeCAST5Suites<NettleCAST5>()}) {
    const Outcome outcome = run(trees);
    EXPECT_EQ(outcome.failingCases, kNone);
    EXPECT_EQ(outcome.failingInGroups, kNone);
    // The builder's three groups, continuation, four cipher laws, the key-length laws and two
    // construction laws.
    EXPECT_EQ(outcome.groups, 11u);
  }
}

std::vector<std::string> rootNames(const std::vector<Tree>& trees) {
  std::vector<std::string> names;
  for (const Tree& t : trees) {
    if (t.kind() != Tree::Kind::Case) names.push_back(t.name());
  }
  return names;
}

// The builder's groups, then the continuation, cipher, key-length and construction laws.
template <class K>
std::vector<std::string> bundleGroups(const std::vector<Tree>& builder) {
  std::vector<std::string> names = rootNames(builder);
  for (const Tree& law : {makeBlockCipherContinuationTests<K>(), makeBlockCipherKeyTests<K>(),
                          makeBlockCipherStateTests<K>(), makeModeHookOracleTests<K>(),
                          makeLongModeTests<K>(), makeVariableKeyLengthTests<K>(),
                          makeConstructionHookOracleTests<K>(), makeLongConstructionTests<K>()}) {
    names.push_back(law.name());
  }
  return names;
}

TEST(BlowfishCAST5Bundles, AreTheirBuildersInOrder) {
  const std::vector<Tree> blowfish = makeBlowfishSuites<NettleBlowfish>();
  EXPECT_EQ(rootNames(blowfish), bundleGroups<NettleBlowfish>(makeBlowfishTests<NettleBlowfish>()));
  EXPECT_EQ(run(blowfish).casesPerFile, kBlowfishFiles);
  EXPECT_EQ(leaves(blowfish), 93u);
  const std::vector<Tree> cast5 = makeCAST5Suites<NettleCAST5>();
  EXPECT_EQ(rootNames(cast5), bundleGroups<NettleCAST5>(makeCAST5Tests<NettleCAST5>()));
  EXPECT_EQ(run(cast5).casesPerFile, kCAST5Files);
  EXPECT_EQ(leaves(cast5), 102u);
}

// `Inner` with one bit of every encrypted block flipped.
template <class Inner>
struct FlippedBit {
  Inner inner;
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 128; }
  static bool acceptsKeyLength(long bits) { return Inner::acceptsKeyLength(bits); }
  static std::optional<FlippedBit> buildKey(const ByteString& key) {
    if (auto k = Inner::buildKey(key)) return FlippedBit{*k};
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const {
    ByteString out = inner.encryptBlock(in);
    if (!out.empty()) out.back() ^= 0x01;
    return out;
  }
  ByteString decryptBlock(const ByteString& in) const { return inner.decryptBlock(in); }
};

TEST(BlowfishCAST5Suites, AFlippedBitFailsEveryKnownAnswer) {
  EXPECT_EQ(run(makeBlowfishTests<FlippedBit<OpenSSLBlowfish>>()).failingCases.size(), 58u);
  const Outcome cast5 = run(makeCAST5Tests<FlippedBit<NettleCAST5>>());
  EXPECT_EQ(cast5.failingCases.size(), 66u);
  // Among the groups' cases, the 88-bit known answer; the pairs of keys compare two encryptions
  // flipped alike.
  EXPECT_NE(
      std::find(cast5.failingInGroups.begin(), cast5.failingInGroups.end(), "KnownAnswerAt88Bits"),
      cast5.failingInGroups.end());
  EXPECT_EQ(
      std::find(cast5.failingInGroups.begin(), cast5.failingInGroups.end(), "ZeroByteAppended"),
      cast5.failingInGroups.end());
}

// Blowfish that cuts keys longer than 16 bytes to their first 16, declaring the whole range.
struct TruncatingBlowfish {
  NettleBlowfish inner;
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 128; }
  static bool acceptsKeyLength(long bits) { return NettleBlowfish::acceptsKeyLength(bits); }
  static std::optional<TruncatingBlowfish> buildKey(const ByteString& key) {
    if (!acceptsKeyLength(8 * static_cast<long>(key.size()))) return std::nullopt;
    const ByteString cut(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(
                                                        std::min<std::size_t>(key.size(), 16)));
    return TruncatingBlowfish{*NettleBlowfish::buildKey(cut)};
  }
  ByteString encryptBlock(const ByteString& in) const { return inner.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return inner.decryptBlock(in); }
};

TEST(BlowfishSuite, CatchesKeysCutTo16Bytes) {
  const Outcome outcome = run(makeBlowfishTests<TruncatingBlowfish>());
  // Schneier's set_key vectors run to 24 bytes: the eight past 16 fail.
  EXPECT_EQ(outcome.failingCases.size(), 8u);
  for (const std::string& name : outcome.failingCases) EXPECT_TRUE(name.starts_with("ECBBlowfish"));
  EXPECT_EQ(outcome.failingInGroups, std::vector<std::string>{"RepeatedKeyIsTheSameKey"});
  const Outcome bundle = run(makeBlowfishSuites<TruncatingBlowfish>());
  EXPECT_TRUE(std::count(bundle.failingInGroups.begin(), bundle.failingInGroups.end(),
                         "EveryKeyBitMattersAtEachLength") == 1);
}

// CAST5 with the number of rounds decided by `Rounds(key bytes)`. The key is padded with zeros to
// 16 bytes first, which is what CAST5 does to a short key, so that Nettle computes every round key.
template <unsigned (*Rounds)(std::size_t)>
struct RoundsCAST5 {
  cast128_ctx context{};
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 128; }
  static bool acceptsKeyLength(long bits) { return NettleCAST5::acceptsKeyLength(bits); }
  static std::optional<RoundsCAST5> buildKey(const ByteString& key) {
    if (!acceptsKeyLength(8 * static_cast<long>(key.size()))) return std::nullopt;
    ByteString padded = key;
    padded.resize(CAST5_MAX_KEY_SIZE, 0x00);
    RoundsCAST5 built;
    cast5_set_key(&built.context, padded.size(), padded.data());
    built.context.rounds = Rounds(key.size());
    return built;
  }
  ByteString encryptBlock(const ByteString& in) const {
    ByteString out(in.size());
    if (!in.empty()) cast128_encrypt(&context, in.size(), out.data(), in.data());
    return out;
  }
  ByteString decryptBlock(const ByteString& in) const {
    ByteString out(in.size());
    if (!in.empty()) cast128_decrypt(&context, in.size(), out.data(), in.data());
    return out;
  }
};

unsigned alwaysSixteen(std::size_t) { return 16; }
unsigned twelveUpTo88Bits(std::size_t bytes) { return bytes <= 11 ? 12 : 16; }
unsigned rightRounds(std::size_t bytes) { return bytes <= 10 ? 12 : 16; }

TEST(CAST5Suite, CatchesRoundsThatDoNotFollowTheKeyLength) {
  const Outcome right = run(makeCAST5Tests<RoundsCAST5<rightRounds>>());
  EXPECT_EQ(right.failingCases, kNone);
  EXPECT_EQ(right.failingInGroups, kNone);

  // RFC 2144's 80- and 40-bit examples, and the zero byte appended to a short key.
  const Outcome sixteen = run(makeCAST5Tests<RoundsCAST5<alwaysSixteen>>());
  EXPECT_EQ(sixteen.failingCases,
            (std::vector<std::string>{"ECBCAST5-e.rsp-ENCRYPT-1", "ECBCAST5-e.rsp-ENCRYPT-2"}));
  EXPECT_EQ(sixteen.failingInGroups, std::vector<std::string>{"ZeroByteAppended"});

  // The edge one byte late: no file record has an 88-bit key, the group's own laws catch it.
  const Outcome late = run(makeCAST5Tests<RoundsCAST5<twelveUpTo88Bits>>());
  EXPECT_EQ(late.failingCases, kNone);
  EXPECT_EQ(late.failingInGroups,
            (std::vector<std::string>{"ZeroByteAppended", "KnownAnswerAt88Bits"}));
}

// A key type whose buildKey and acceptsKeyLength disagree in `Fault`'s way.
enum class Declaration { NarrowerThanBuildKey, WiderThanBuildKey, WithoutKeyLength };
template <Declaration Fault>
struct Misdeclared : NettleBlowfish {
  explicit Misdeclared(NettleBlowfish inner) : NettleBlowfish(std::move(inner)) {}
  static constexpr long keyLength() { return Fault == Declaration::WithoutKeyLength ? 8 : 128; }
  static bool acceptsKeyLength(long bits) {
    if (Fault == Declaration::NarrowerThanBuildKey)
      return bits >= 32 && bits <= 128 && bits % 8 == 0;
    return NettleBlowfish::acceptsKeyLength(bits);
  }
  static std::optional<Misdeclared> buildKey(const ByteString& key) {
    if (Fault == Declaration::WiderThanBuildKey && key.size() > 20) return std::nullopt;
    if (auto k = NettleBlowfish::buildKey(key)) return Misdeclared(*k);
    return std::nullopt;
  }
};

// Blowfish without acceptsKeyLength: keyLength() alone is declared, but buildKey takes more.
struct UndeclaredBlowfish {
  NettleBlowfish inner;
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 128; }
  static std::optional<UndeclaredBlowfish> buildKey(const ByteString& key) {
    if (auto k = NettleBlowfish::buildKey(key)) return UndeclaredBlowfish{*k};
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const { return inner.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return inner.decryptBlock(in); }
};

std::vector<std::string> failingLaws(const Tree& group) {
  std::vector<std::string> names;
  collectFailures(group, group.name(), names);
  return names;
}

TEST(VariableKeyLengthLaws, HoldForFixedAndVariableCiphersAndCatchAWrongDeclaration) {
  EXPECT_EQ(failingLaws(makeVariableKeyLengthTests<Camellia192>()), kNone);
  EXPECT_EQ(failingLaws(makeVariableKeyLengthTests<OpenSSLCAST5>()), kNone);
  const std::vector<std::string> refuses{"BuildKeyTakesTheDeclaredLengths"};
  // buildKey takes up to 56 bytes, 16 declared; the one byte declared it refuses.
  EXPECT_EQ(
      failingLaws(makeVariableKeyLengthTests<Misdeclared<Declaration::NarrowerThanBuildKey>>()),
      refuses);
  // A declared length refused: every law that builds keys of it fails.
  EXPECT_EQ(
      failingLaws(makeVariableKeyLengthTests<Misdeclared<Declaration::WiderThanBuildKey>>()),
      (std::vector<std::string>{"BuildKeyTakesTheDeclaredLengths", "EachLengthRoundTrips",
                                "EveryKeyBitMattersAtEachLength", "DrawnKeysOfDrawnLengths"}));
  // keyLength() itself not declared... nor taken.
  EXPECT_EQ(
      failingLaws(makeVariableKeyLengthTests<Misdeclared<Declaration::WithoutKeyLength>>()).front(),
      "BuildKeyTakesTheDeclaredLengths");
  EXPECT_EQ(failingLaws(makeVariableKeyLengthTests<UndeclaredBlowfish>()), refuses);
}

TEST(BlowfishCAST5Adapters, OpenSSLAndNettleAgreeAtEveryKeyLength) {
  EXPECT_EQ(failingLaws(makeDifferentialBlockCipherTests<OpenSSLBlowfish, NettleBlowfish>()),
            kNone);
  EXPECT_EQ(failingLaws(makeDifferentialBlockCipherTests<OpenSSLCAST5, NettleCAST5>()), kNone);
  std::mt19937 rng(64);
  for (std::size_t n = 0; n <= 60; ++n) {
    const ByteString key = support::randomBytes(rng, n);
    const ByteString blocks = support::randomBytes(rng, 24);
    const auto ossl = OpenSSLBlowfish::buildKey(key);
    const auto nettle = NettleBlowfish::buildKey(key);
    ASSERT_EQ(ossl.has_value(), nettle.has_value()) << n;
    ASSERT_EQ(ossl.has_value(), n >= 4 && n <= 56) << n;
    if (ossl) {
      EXPECT_EQ(ossl->encryptBlock(blocks), nettle->encryptBlock(blocks)) << n;
    }
    const auto osslCast = OpenSSLCAST5::buildKey(key);
    const auto nettleCast = NettleCAST5::buildKey(key);
    ASSERT_EQ(osslCast.has_value(), nettleCast.has_value()) << n;
    ASSERT_EQ(osslCast.has_value(), n >= 5 && n <= 16) << n;
    if (osslCast) {
      EXPECT_EQ(osslCast->encryptBlock(blocks), nettleCast->encryptBlock(blocks)) << n;
    }
  }
}

}  // namespace
}  // namespace kavrit::test
