// Triple-DES: the builder on the committed NIST files against OpenSSL (two- and three-key) and
// Nettle (three-key and single DES), what it catches, its file and key rules, and the laws of a
// cipher with 64-bit blocks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_keys.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/differential.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/state_laws.hpp"
#include "kavrit/test/tdes.hpp"
#include "nettle/nettle_tdes.hpp"
#include "openssl/openssl_tdes.hpp"
#include "suites/file_rules.hpp"

namespace kavrit::test {
namespace {

using examples::NettleDES1;
using examples::NettleTripleDES3;
using examples::TripleDES2;
using examples::TripleDES3;
using support::caseNames;
using support::contains;
using support::failingProperties;
using support::failureOf;
using Tree = kavrit::test::Test;
using support::ScratchVectorDir;

static_assert(BlockCipher<TripleDES2> && BlockCipher<TripleDES3>);
static_assert(BlockCipher<NettleDES1> && BlockCipher<NettleTripleDES3>);

// The unit cases per mode prefix ("TCBC", ...), and the names of those that fail.
struct Outcome {
  std::map<std::string, int> casesPerMode;
  std::vector<std::string> failing;
  std::vector<std::string> groups;
};

std::string modePrefix(const std::string& name) {
  return name.substr(0, name.starts_with("TCFB64") ? 6 : 4);
}

Outcome runVectors(const std::vector<Tree>& trees) {
  Outcome out;
  for (const Tree& t : trees) {
    if (t.kind() != Tree::Kind::Case) {
      out.groups.push_back(t.name());
      continue;
    }
    ++out.casesPerMode[modePrefix(t.name())];
    if (failureOf(t)) out.failing.push_back(t.name());
  }
  return out;
}

// Records per mode for each key length: 530 in all; 510 without the three-key MMT3 files (20 per
// mode); 490 without MMT2 as well.
const std::map<std::string, int> kEvery = {
    {"TCBC", 530}, {"TCFB64", 530}, {"TECB", 530}, {"TOFB", 530}};
const std::map<std::string, int> kTwoKey = {
    {"TCBC", 510}, {"TCFB64", 510}, {"TECB", 510}, {"TOFB", 510}};
const std::map<std::string, int> kOneKey = {
    {"TCBC", 490}, {"TCFB64", 490}, {"TECB", 490}, {"TOFB", 490}};

const std::vector<std::string> kLawGroups = {
    "Block Cipher tests (ident)", "Block Cipher tests (lazy/string bytestring equality)"};

TEST(TDESSuite, PassesOnOpenSSLAndNettleWithTheRecordsOfEachKeyLength) {
  const auto expect = [](const std::vector<Tree>& trees, const std::map<std::string, int>& counts,
                         const char* who) {
    const Outcome outcome = runVectors(trees);
    EXPECT_EQ(outcome.casesPerMode, counts) << who;
    EXPECT_EQ(outcome.failing, std::vector<std::string>{}) << who;
    EXPECT_EQ(outcome.groups, kLawGroups) << who;
    EXPECT_EQ(failingProperties(trees), std::vector<std::string>{}) << who;
  };
  expect(makeTDESTests<TripleDES3>(), kEvery, "OpenSSL DES-EDE3");
  expect(makeTDESTests<NettleTripleDES3>(), kEvery, "Nettle des3");
  expect(makeTDESTests<TripleDES2>(), kTwoKey, "OpenSSL DES-EDE");
  expect(makeTDESTests<NettleDES1>(), kOneKey, "Nettle des");
}

TEST(TDESSuite, NamesCasesAfterFileAndCount) {
  const std::vector<std::string> names = caseNames(makeTDESTests<TripleDES3>());
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.size(), 2120u);
  for (const char* name :
       {"TCBCMMT3e.rsp-0", "TCFB64vartextd.rsp-63", "TECBpermope.rsp-31", "TOFBMMT2d.rsp-9"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  }
}

// Three-key DES-EDE3 with a fault of `Fault`: one bit of the first output block of encryption
// or decryption flipped, or the key's thirds taken in the wrong order.
template <int Fault>
struct Broken {
  TripleDES3 inner;
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 192; }
  static std::optional<Broken> buildKey(const ByteString& key) {
    ByteString used = key;
    if (Fault == 2 && key.size() == 24) {
      std::copy(key.begin() + 16, key.end(), used.begin());
      std::copy(key.begin(), key.begin() + 8, used.begin() + 16);
    }
    if (auto k = TripleDES3::buildKey(used)) return Broken{*k};
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const {
    ByteString out = inner.encryptBlock(in);
    if (Fault == 0 && !out.empty()) out[0] ^= 0x10;
    return out;
  }
  ByteString decryptBlock(const ByteString& in) const {
    ByteString out = inner.decryptBlock(in);
    if (Fault == 1 && !out.empty()) out[0] ^= 0x10;
    return out;
  }
};

// The files with a failing case, by mode and direction ("TCBC e", ...).
std::map<std::string, int> failingPerFile(const std::vector<std::string>& failing) {
  std::map<std::string, int> out;
  for (const std::string& name : failing) {
    const std::string file = name.substr(0, name.find(".rsp"));
    ++out[modePrefix(file) + " " + file.back()];
  }
  return out;
}

TEST(TDESSuite, CatchesOneFlippedBitAndSwappedKeyThirds) {
  // Encryption is used by every mode except ECB and CBC decryption.
  const Outcome encrypt = runVectors(makeTDESTests<Broken<0>>());
  EXPECT_EQ(failingPerFile(encrypt.failing), (std::map<std::string, int>{{"TECB e", 265},
                                                                         {"TCBC e", 265},
                                                                         {"TCFB64 e", 265},
                                                                         {"TCFB64 d", 265},
                                                                         {"TOFB e", 265},
                                                                         {"TOFB d", 265}}));
  const Outcome decrypt = runVectors(makeTDESTests<Broken<1>>());
  EXPECT_EQ(failingPerFile(decrypt.failing),
            (std::map<std::string, int>{{"TECB d", 265}, {"TCBC d", 265}}));
  // Only the three-key records tell K1||K2||K3 from K3||K2||K1.
  const Outcome swapped = runVectors(makeTDESTests<Broken<2>>());
  EXPECT_EQ(failingPerFile(swapped.failing), (std::map<std::string, int>{{"TECB e", 10},
                                                                         {"TECB d", 10},
                                                                         {"TCBC e", 10},
                                                                         {"TCBC d", 10},
                                                                         {"TCFB64 e", 10},
                                                                         {"TCFB64 d", 10},
                                                                         {"TOFB e", 10},
                                                                         {"TOFB d", 10}}));
  // The flip lands on the first block of each call, so chunked ECB differs from whole ECB too.
  EXPECT_EQ(failingProperties(makeTDESTests<Broken<0>>()),
            (std::vector<std::string>{"ECBEncDecID", "CBCEncDecID", "ECBStringLazyEq"}));
}

TEST(TDESSuite, FileNamesSelectTheSixtyFourBitFeedbackModes) {
  EXPECT_EQ(tdesModeOf("TECBMMT1e.rsp"), AESMode::ECBEncrypt);
  EXPECT_EQ(tdesModeOf("TCBCvarkeyd.rsp"), AESMode::CBCDecrypt);
  EXPECT_EQ(tdesModeOf("TCFB64subtabe.rsp"), AESMode::CFBEncrypt);
  EXPECT_EQ(tdesModeOf("TOFBpermopd.rsp"), AESMode::OFBDecrypt);
  for (const char* other :
       {"TCBCIMMT1e.rsp", "TOFBIvarkeyd.rsp", "TCFB8MMT1e.rsp", "TCFB1MMT1e.rsp",
        "TCFBP64MMT1e.rsp", "TECBMMT1.rsp", "TECB", "ECBVarTxt128e.rsp", ""}) {
    EXPECT_EQ(tdesModeOf(other), std::nullopt) << other;
  }
}

TEST(TDESSuite, ACipherWithOtherBlocksGetsTheLawsOnly) {
  const std::vector<Tree> trees = makeTDESTests<support::CorrectAES>();
  EXPECT_EQ(caseNames(trees), std::vector<std::string>{});
  EXPECT_EQ(trees.size(), 2u);
}

TEST(TDESSuite, MalformedKeysNameFileAndLine) {
  const auto error = [](const std::string& record) -> std::string {
    ScratchVectorDir data("Test/KAT_TDES");
    data.write("TECBbade.rsp", "[ENCRYPT]\n\nCOUNT = 0\n" + record +
                                   "PLAINTEXT = 0000000000000000\n"
                                   "CIPHERTEXT = 0000000000000000\n");
    try {
      (void)makeTDESTests<TripleDES3>();
    } catch (const std::exception& e) {
      return e.what();
    }
    return "no error";
  };
  const std::string nonHex = error("KEYs = 01010101010101zz\n");
  EXPECT_TRUE(contains(nonHex, "TECBbade.rsp:3")) << nonHex;
  EXPECT_TRUE(contains(nonHex, "KEYs")) << nonHex;
  const std::string missing = error("KEY1 = 0101010101010101\nKEY2 = 0101010101010101\n");
  EXPECT_TRUE(contains(missing, "TECBbade.rsp:3")) << missing;
  EXPECT_TRUE(contains(missing, "KEY3")) << missing;
}

// The leaves of `tree` that do not pass: unit cases run, properties checked.
void collectFailing(const Tree& tree, const std::string& path, std::vector<std::string>& out) {
  const std::string name = path.empty() ? tree.name() : path + "/" + tree.name();
  switch (tree.kind()) {
    case Tree::Kind::Case:
      if (const auto failure = failureOf(tree)) out.push_back(name + ": " + *failure);
      break;
    case Tree::Kind::Property:
      if (const auto result = tree.check(name); !result.passed()) {
        out.push_back(name + ": " + result.report);
      }
      break;
    case Tree::Kind::Group:
      for (const Tree& child : tree.children()) collectFailing(child, name, out);
      break;
  }
}

std::vector<std::string> failingLeaves(const std::vector<Tree>& trees) {
  std::vector<std::string> out;
  for (const Tree& tree : trees) collectFailing(tree, "", out);
  return out;
}

// The laws hold for 64-bit blocks: OpenSSL's and Nettle's DES-EDE3 through kavrit's modes.
TEST(TDESLaws, HoldForSixtyFourBitBlocks) {
  std::vector<Tree> trees = makeBlockCipherPropTests<TripleDES3>();
  trees.push_back(makeBlockCipherContinuationTests<TripleDES3>());
  trees.push_back(makeBlockCipherStateTests<TripleDES3>());
  trees.push_back(makeModeHookOracleTests<TripleDES3>());
  trees.push_back(makeDifferentialBlockCipherTests<TripleDES3, NettleTripleDES3>());
  trees.push_back(makeLongModeTests<TripleDES3>());
  EXPECT_EQ(failingLeaves(trees), std::vector<std::string>{});
}

// DES ignores the low bit of every key byte (parity): the key laws that flip a key bit or draw
// keys of few distinct bytes fail, and only the parity bits leave the ciphertext unchanged.
TEST(TDESLaws, KeyLawsHoldButForTheParityBits) {
  std::vector<std::string> failing;
  for (const std::string& f : failingLeaves({makeBlockCipherKeyTests<TripleDES3>()}))
    failing.push_back(f.substr(0, f.find(':')));
  EXPECT_EQ(failing,
            (std::vector<std::string>{"Block Cipher Key Tests/DifferentKeysDifferentCiphertexts",
                                      "Block Cipher Key Tests/EveryKeyBitMatters"}));
  const ByteString key = hexStringToBS("0123456789abcdef23456789abcdef01456789abcdef0123");
  const ByteString block = hexStringToBS("4e6f772069732074");
  for (std::size_t bit = 0; bit < 192; ++bit) {
    ByteString flipped = key;
    flipped[bit / 8] ^= static_cast<std::uint8_t>(0x80 >> (bit % 8));
    const bool same = TripleDES3::buildKey(flipped)->encryptBlock(block) ==
                      TripleDES3::buildKey(key)->encryptBlock(block);
    EXPECT_EQ(same, bit % 8 == 7) << bit;
  }
}

}  // namespace
}  // namespace kavrit::test
