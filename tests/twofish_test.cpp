#include "kavrit/test/twofish.hpp"

#include <botan/block_cipher.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_files.hpp"
#include "nettle/nettle_twofish.hpp"

namespace kavrit::test {
namespace {

using examples::Twofish128;
using examples::Twofish192;
using examples::Twofish256;
using support::caseNames;
using support::contains;
using support::failureOf;
using support::ScratchVectorDir;
using Tree = kavrit::test::Test;  // TEST bodies see testing::Test as Test

// ---- Botan's Twofish: the second implementation the vector files are checked against ----

ByteString botanECB(const ByteString& key, const ByteString& in, bool encrypt) {
  const std::unique_ptr<Botan::BlockCipher> cipher = Botan::BlockCipher::create_or_throw("Twofish");
  cipher->set_key(key.data(), key.size());
  ByteString out(in.size());
  if (encrypt) cipher->encrypt_n(in.data(), out.data(), in.size() / 16);
  if (!encrypt) cipher->decrypt_n(in.data(), out.data(), in.size() / 16);
  return out;
}

ByteString botanCBC(const ByteString& key, const ByteString& iv, const ByteString& in,
                    bool encrypt) {
  ByteString chain = iv;
  ByteString out;
  for (auto at = in.begin(); at != in.end(); at += 16) {
    ByteString block(at, at + 16);
    ByteString result = encrypt ? block : botanECB(key, block, false);
    for (std::size_t i = 0; i < 16; ++i) result[i] ^= chain[i];
    if (encrypt) result = botanECB(key, result, true);
    out.insert(out.end(), result.begin(), result.end());
    chain = encrypt ? result : block;
  }
  return out;
}

// ---- The generated files ----

TEST(TwofishVectorFiles, EveryRecordAgreesWithBotan) {
  std::map<std::string, std::size_t> records;
  std::map<std::string, std::set<std::pair<std::size_t, std::size_t>>> blockCounts;
  for (const VectorFile& file : readVectorFiles(getDataFileName("Test/KAT_TWOFISH"), "I")) {
    const std::string kind = file.name.substr(0, file.name.rfind('.'));
    for (const KatCategory& category : file.categories) {
      const std::size_t keyBytes = std::stoul(*lookupField(category.properties, "KEYSIZE")) / 8;
      std::size_t counter = 0;  // I counts from 1 in each category
      for (const KatRecord& record : category.records) {
        const std::string where = file.name + " " + std::to_string(keyBytes) +
                                  "-byte key, I=" + *lookupField(record, "I");
        EXPECT_EQ(*lookupField(record, "I"), std::to_string(++counter)) << where;
        const auto field = [&](const char* name, bool head) {
          return hexStringToBS(*lookupField(head ? category.properties : record, name));
        };
        const ByteString key = field("KEY", kind == "ECB_VT");
        const ByteString pt = field("PT", kind == "ECB_VK");
        const ByteString ct = field("CT", false);
        EXPECT_EQ(key.size(), keyBytes) << where;
        ASSERT_EQ(pt.size(), ct.size()) << where;
        ++records[file.name];
        blockCounts[kind].insert({keyBytes, pt.size() / 16});
        if (kind.rfind("CBC", 0) == 0) {
          const ByteString iv = field("IV", false);
          EXPECT_EQ(toHex(botanCBC(key, iv, pt, true)), toHex(ct)) << where;
          EXPECT_EQ(toHex(botanCBC(key, iv, ct, false)), toHex(pt)) << where;
        } else {
          EXPECT_EQ(toHex(botanECB(key, pt, true)), toHex(ct)) << where;
        }
      }
    }
  }
  EXPECT_EQ(records, (std::map<std::string, std::size_t>{{"ECB_VK.TXT", 576},
                                                         {"ECB_VT.TXT", 384},
                                                         {"ECB_TLB.TXT", 147},
                                                         {"ECB_E_M.TXT", 60},
                                                         {"ECB_D_M.TXT", 60},
                                                         {"CBC_E_M.TXT", 60},
                                                         {"CBC_D_M.TXT", 60}}));
  std::set<std::pair<std::size_t, std::size_t>> everyCount;
  for (const std::size_t keyBytes : {16, 24, 32}) {
    for (std::size_t blocks = 1; blocks <= 10; ++blocks) everyCount.insert({keyBytes, blocks});
  }
  for (const char* kind : {"ECB_E_M", "ECB_D_M", "CBC_E_M", "CBC_D_M"}) {
    EXPECT_EQ(blockCounts[kind], everyCount) << kind;
  }
}

TEST(TwofishVectorFiles, MatchThePublishedValues) {
  const std::vector<VectorFile> files =
      readVectorFiles(getDataFileName("Test/KAT_TWOFISH"), "I",
                      [](std::string_view name) { return name == "ECB_TLB.TXT"; });
  ASSERT_EQ(files.size(), 1u);
  const std::vector<KatCategory>& table = files[0].categories;
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(*lookupField(table[0].records.front(), "CT"), "9F589F5CF6122C32B6BFEC2F2AE8C35A");
  const char* last[] = {"5D9D4EEFFA9151575524F115815A12E0", "E75449212BEEF9F4A390BD860A640941",
                        "37FE26FF1CF66175F5DDF4C33B97A205"};
  for (std::size_t k = 0; k < 3; ++k) {
    ASSERT_EQ(table[k].records.size(), 49u);
    EXPECT_EQ(*lookupField(table[k].records.back(), "CT"), last[k]);
  }
  // Keys that the files do not hold, through both implementations.
  const ByteString zero(16, 0);
  for (const auto& [key, ct] : std::map<std::string, std::string>{
           {"0123456789ABCDEFFEDCBA98765432100011223344556677", "CFD1D2E5A9BE9CDF501F13B892BD2248"},
           {"0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF",
            "37527BE0052334B89F0CFCCAE87CFA20"}}) {
    EXPECT_EQ(botanECB(hexStringToBS(key), zero, true), hexStringToBS(ct));
    EXPECT_EQ(ecb(*Twofish256::buildKey(hexStringToBS(key)), zero), hexStringToBS(ct));
  }
}

// ---- The suite on fixture files ----

const std::string kKey = "00112233445566778899AABBCCDDEEFF";
const std::string kIV = "0F0E0D0C0B0A09080706050403020100";
const std::string kText = "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F";

std::string ecbOf(const std::string& in, bool encrypt = true) {
  return toHex(botanECB(hexStringToBS(kKey), hexStringToBS(in), encrypt));
}
std::string cbcOf(const std::string& in, bool encrypt) {
  return toHex(botanCBC(hexStringToBS(kKey), hexStringToBS(kIV), hexStringToBS(in), encrypt));
}
std::string ecbRecord(const std::string& i) {
  return "I=" + i + "\nKEY=" + kKey + "\nPT=" + kText + "\nCT=" + ecbOf(kText) + "\n";
}

TEST(TwofishTests, AFileWithRecordsButNoKindStopsTheBuild) {
  for (const char* name : {"ecb_vk.txt", "ECB_VK.a.b"}) {
    ScratchVectorDir data("Test/KAT_TWOFISH");
    data.write("ECB_TLB.TXT", ecbRecord("1"));
    data.write(name, ecbRecord("1"));
    try {
      (void)makeTwoFishTests<Twofish128>();
      ADD_FAILURE() << name << " did not stop the build";
    } catch (const std::runtime_error& error) {
      EXPECT_TRUE(contains(error.what(), "Test/TwoFish:(40,1)-(76,64)|function buildTestFunc"))
          << error.what();
      EXPECT_TRUE(contains(error.what(), data.path(name))) << error.what();
    }
  }
  ScratchVectorDir data("Test/KAT_TWOFISH");
  data.write("README.txt", "# any name goes without a record\n[KEYSIZE=128]\nKEY=00\n");
  data.write("ECB_TLB.TXT", ecbRecord("1"));
  EXPECT_EQ(caseNames(makeTwoFishTests<Twofish128>()), std::vector<std::string>{"ECB-TLB-E-1"});
}

TEST(TwofishTests, HeadLinesHoldForTheirOwnCategoryOnly) {
  ScratchVectorDir data("Test/KAT_TWOFISH");
  const std::string block1 = kText.substr(0, 32);
  const std::string block2 = kText.substr(32);
  const std::string body = "\nKEY=" + kKey + "\nCT=" + ecbOf(block1) + "\n";
  data.write("ECB_VK.TXT", "[KEYSIZE=128]\n[PT=" + block1 + "]\nI=1" + body + "[KEYSIZE=128]\nI=2" +
                               body +  // no PT head line here
                               "[PT=" + block2 + "]\nI=3\nKEY=" + kKey + "\nCT=" + ecbOf(block2));
  const std::vector<Tree> trees = makeTwoFishTests<Twofish128>();
  EXPECT_EQ(caseNames(trees), (std::vector<std::string>{"ECB-E-VK1", "ECB-E-VK3"}));
  EXPECT_EQ(caseNames(trees, true), std::vector<std::string>{});
}

TEST(TwofishTests, EachKindNamesAndRunsItsTests) {
  ScratchVectorDir data("Test/KAT_TWOFISH");
  const std::string block = kText.substr(0, 32);
  data.write("ECB_VK.TXT", "[PT=" + block + "]\nI=1\nKEY=" + kKey + "\nCT=" + ecbOf(block));
  data.write("ECB_VT.TXT", "[KEY=" + kKey + "]\nI=1\nPT=" + block + "\nCT=" + ecbOf(block));
  data.write("ECB_TLB.TXT", ecbRecord("1"));
  data.write("ECB_E_M.TXT", ecbRecord("1") + "I=2\nKEY=" + kKey + "0011\nPT=00\nCT=00\n" +
                                ecbRecord("3") + "I=4\nKEY=" + kKey + "\nPT=abc\nCT=00\n");
  data.write("ECB_D_M.TXT", "I=1\nKEY=" + kKey + "\nCT=" + kText + "\nPT=" + ecbOf(kText, false));
  const std::string cbcHead = "I=1\nKEY=" + kKey + "\nIV=" + kIV;
  data.write("CBC_E_M.TXT", cbcHead + "\nPT=" + kText + "\nCT=" + cbcOf(kText, true) +
                                "\nI=2\nKEY=" + kKey + "\nPT=00\nCT=00\n");  // no IV
  data.write("CBC_D_M.TXT", cbcHead + "\nCT=" + kText + "\nPT=" + cbcOf(kText, false));

  const std::vector<Tree> trees = makeTwoFishTests<Twofish128>();
  const std::vector<std::string> names = caseNames(trees);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
            (std::set<std::string>{"ECB-E-VK1", "ECB-E-VT-1", "ECB-TLB-E-1", "ECB-E-1", "ECB-E-2",
                                   "ECB-E-3", "ECB-E-4", "ECB-D-1", "CBC-E-1", "CBC-D-1"}));
  std::map<std::string, std::string> failures;
  for (const Tree& t : trees) {
    if (t.kind() == Tree::Kind::Case && failureOf(t)) failures[t.name()] = *failureOf(t);
  }
  ASSERT_EQ(failures.size(), 2u);
  // A plain sentence at the vector's place, then the error text of the missing value.
  EXPECT_TRUE(contains(failures["ECB-E-2"], data.path("ECB_E_M.TXT") +
                                                ":5: ECB-E-2: buildKey returned no key for this "
                                                "vector's 18-byte KEY\nMaybe.fromJust: Nothing"))
      << failures["ECB-E-2"];
  EXPECT_EQ(failures["ECB-E-4"].rfind(data.path("ECB_E_M.TXT") + ":13: ECB-E-4: field PT: ", 0), 0u)
      << failures["ECB-E-4"];
}

TEST(TwofishTests, AnIVThatIsNotHexStopsTheBuild) {
  ScratchVectorDir data("Test/KAT_TWOFISH");
  data.write("CBC_D_M.TXT", "I=1\nKEY=" + kKey + "\nIV=0F0\nCT=" + kText + "\nPT=" + kText);
  try {
    (void)makeTwoFishTests<Twofish128>();
    ADD_FAILURE() << "an odd-length IV did not stop the build";
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(
        std::string(error.what()).rfind(data.path("CBC_D_M.TXT") + ":1: CBC-D-1: field IV: ", 0),
        0u)
        << error.what();
  }
}

// ---- The generated files through the suite ----

TEST(TwofishTests, NettlePassesEveryVectorWhateverItsKeyLength) {
  for (const std::vector<Tree>& trees :
       {makeTwoFishTests<Twofish128>(), makeTwoFishTests<Twofish192>(),
        makeTwoFishTests<Twofish256>()}) {
    EXPECT_EQ(caseNames(trees).size(), 1347u);
    EXPECT_EQ(trees.size(), 1349u);
    EXPECT_EQ(caseNames(trees, true), std::vector<std::string>{});
  }
}

// Writes each block's bytes in reverse order and reads them back the same way: consistent, so
// every law holds, but no ciphertext matches.
struct ReversedBlocks {
  Twofish128 twofish;
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }
  static std::optional<ReversedBlocks> buildKey(const ByteString& key) {
    const std::optional<Twofish128> twofish = Twofish128::buildKey(key);
    return twofish ? std::optional<ReversedBlocks>(ReversedBlocks{*twofish}) : std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const { return reversed(twofish.encryptBlock(in)); }
  ByteString decryptBlock(const ByteString& in) const { return twofish.decryptBlock(reversed(in)); }
  static ByteString reversed(ByteString bytes) {
    for (auto at = bytes.begin(); at != bytes.end(); at += 16) std::reverse(at, at + 16);
    return bytes;
  }
};

TEST(TwofishTests, AByteOrderSlipFailsTheVariableKeyVectorsThoughTheLawsHold) {
  const std::vector<Tree> trees = makeTwoFishTests<ReversedBlocks>();
  const std::vector<std::string> failing = caseNames(trees, true);
  const auto variableKey = [](const std::string& name) { return name.rfind("ECB-E-VK", 0) == 0; };
  const std::vector<std::string> all = caseNames(trees);
  EXPECT_EQ(std::count_if(all.begin(), all.end(), variableKey), 576);
  EXPECT_EQ(std::count_if(failing.begin(), failing.end(), variableKey), 576);
  EXPECT_EQ(support::failingProperties(trees), std::vector<std::string>{});
}

}  // namespace
}  // namespace kavrit::test
