#include "kavrit/test/aes.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/test/paths.hpp"
#include "openssl/openssl_aes.hpp"

namespace kavrit::test {
namespace {

using examples::AES128;
using examples::AES192;
using examples::AES256;
using support::AnyAES;
using support::caseNames;
using support::contains;
using support::CorrectAES;
using support::failureOf;
using support::ScratchVectorDir;
using Tree = kavrit::test::Test;  // TEST bodies see testing::Test as Test

// ---- Fixture files against a cipher that records what the suite asks of it ----

std::vector<std::string> spyLog;

// Member templates, since the IV type names the still incomplete key type.
#define KAVRIT_SPY_MODE(NAME)                                              \
  template <class V>                                                       \
  std::pair<ByteString, V> NAME(const V& iv, const ByteString& in) const { \
    spyLog.push_back(#NAME " " + toHex(iv.bytes()));                       \
    return {in, iv};                                                       \
  }

// Gives back its input, so a record whose PLAINTEXT equals its CIPHERTEXT passes, and logs each
// call: the raw operations with their input length, the modes with their IV.
struct SpyCipher {
  static long blockSize() { return 128; }
  static long keyLength() { return 128; }
  static std::optional<SpyCipher> buildKey(const ByteString& key) {
    return key.size() == 16 ? std::optional<SpyCipher>(SpyCipher{}) : std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const { return raw("encryptBlock ", in); }
  ByteString decryptBlock(const ByteString& in) const { return raw("decryptBlock ", in); }
  KAVRIT_SPY_MODE(cbc)
  KAVRIT_SPY_MODE(unCbc)
  KAVRIT_SPY_MODE(cfb)
  KAVRIT_SPY_MODE(unCfb)
  KAVRIT_SPY_MODE(ofb)
  KAVRIT_SPY_MODE(unOfb)
  static ByteString raw(const std::string& op, const ByteString& in) {
    spyLog.push_back(op + std::to_string(in.size()));
    return in;
  }
};
#undef KAVRIT_SPY_MODE

const std::string kKey = "000102030405060708090a0b0c0d0e0f";
const std::string kIV = "f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff";
const std::string kTwoBlocks = kKey + kIV;

std::string record(const std::string& count, const std::string& iv = kIV,
                   const std::string& key = kKey, const std::string& text = kTwoBlocks) {
  return "COUNT = " + count + "\nKEY = " + key + "\n" + (iv.empty() ? "" : "IV = " + iv + "\n") +
         "PLAINTEXT = " + text + "\nCIPHERTEXT = " + text + "\n\n";
}

TEST(AESTests, EachFileRunsTheOperationItsNameSelects) {
  ScratchVectorDir data("Test/KAT_AES");
  for (const char* name : {"ECBsample-e.txt", "ECBe.old.txt", "OFBd", "readme.txt",
                           "CFBsample-e.txt", "CFB128sample-e.txt", "CBCx-d.rsp", "OFBx-e.rsp",
                           "CFB128x-d.rsp", "CBCx-e.rsp", ".hidden"}) {
    data.write(name, record("7"));
  }
  std::filesystem::create_directory(data.dir() / "ECBdir-e");
  std::filesystem::create_symlink(data.dir() / "missing", data.dir() / "ECBdangling-e.rsp");
  std::filesystem::create_symlink(data.dir() / "OFBd", data.dir() / "ECBlinked-e.rsp");

  const std::vector<Tree> trees = makeAESTests<SpyCipher>();
  std::map<std::string, std::vector<std::string>> calls;
  for (const std::string& name : caseNames(trees)) {
    spyLog.clear();
    EXPECT_EQ(failureOf(*std::find_if(trees.begin(), trees.end(),
                                      [&name](const Tree& t) { return t.name() == name; })),
              std::nullopt);
    calls[name] = spyLog;
  }
  const std::map<std::string, std::vector<std::string>> expected = {
      {"ECBsample-e.txt-7", {"encryptBlock 32"}},  // the raw member, once, on the whole input
      {"ECBe.old.txt-7", {"decryptBlock 32"}},
      {"ECBlinked-e.rsp-7", {"encryptBlock 32"}},
      {"OFBd-7", {"unOfb " + kIV}},
      {"OFBx-e.rsp-7", {"ofb " + kIV}},
      {"CFB128sample-e.txt-7", {"cfb " + kIV}},
      {"CFB128x-d.rsp-7", {"unCfb " + kIV}},
      {"CBCx-e.rsp-7", {"cbc " + kIV}},
      {"CBCx-d.rsp-7", {"unCbc " + kIV}},
  };
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(trees.size(), expected.size() + 2);
}

TEST(AESTests, IncompleteRecordsAreLeftOutAndTheirNeighboursKept) {
  ScratchVectorDir data("Test/KAT_AES");
  data.write("ECBfields-e.rsp", "[ENCRYPT]\n" + record("0", "") + "COUNT = 1\nKEY = " + kKey +
                                    "\nCIPHERTEXT = 00\n\n" + record("2", "", "0001") +
                                    record("3", "not hex: ECB never reads it") +
                                    "[KEYSIZE = 128]\n" + record("4", ""));
  data.write("CBCiv-e.rsp", "COUNT = 0\nKEY = " + kKey + "\nPLAINTEXT = 00\nCIPHERTEXT = 00\n\n" +
                                record("1", "0001020304") + record("2"));
  std::vector<std::string> names = caseNames(makeAESTests<SpyCipher>());
  const auto cbc = std::find(names.begin(), names.end(), "CBCiv-e.rsp-2");  // the only CBC one
  ASSERT_NE(cbc, names.end());
  names.erase(cbc);
  EXPECT_EQ(names, (std::vector<std::string>{"ECBfields-e.rsp-0", "ECBfields-e.rsp-3",
                                             "ECBfields-e.rsp-4"}));
}

TEST(AESTests, BadHexInKeyOrIVStopsTheBuildButInTextFailsOnlyItsTest) {
  for (const auto& [file, field, text] : {std::tuple{"ECBodd-e.rsp", "KEY", record("0", "", "abc")},
                                          std::tuple{"CBCodd-e.rsp", "IV", record("0", "f0f")}}) {
    ScratchVectorDir data("Test/KAT_AES");
    data.write(file, text);
    try {
      (void)makeAESTests<SpyCipher>();
      ADD_FAILURE() << "bad hex in " << field << " did not stop the build";
    } catch (const std::invalid_argument& error) {
      EXPECT_EQ(
          std::string(error.what())
              .rfind(data.path(file) + ":1: " + std::string(file) + "-0: field " + field + ": ", 0),
          0u)
          << error.what();
    }
  }
  ScratchVectorDir data("Test/KAT_AES");
  data.write("ECBtext-e.rsp", record("0", "", kKey, "abc") + record("1", ""));
  const std::vector<Tree> trees = makeAESTests<SpyCipher>();
  ASSERT_EQ(caseNames(trees), (std::vector<std::string>{"ECBtext-e.rsp-0", "ECBtext-e.rsp-1"}));
  const std::string failure = failureOf(trees[0]).value_or("");
  EXPECT_EQ(failure.rfind(data.path("ECBtext-e.rsp") + ":1: ECBtext-e.rsp-0: field PLAINTEXT: ", 0),
            0u)
      << failure;
  EXPECT_EQ(failureOf(trees[1]), std::nullopt);
}

TEST(AESTests, EmptyDirectoryGivesOnlyTheLaws) {
  ScratchVectorDir data("Test/KAT_AES");
  const std::vector<Tree> trees = makeAESTests<SpyCipher>();
  ASSERT_EQ(trees.size(), 2u);
  EXPECT_EQ(trees[0].name(), "Block Cipher tests (ident)");
  EXPECT_EQ(trees[1].name(), "Block Cipher tests (lazy/string bytestring equality)");
}

// ---- The NIST vectors against OpenSSL, correct and with faults ----

// A key schedule that goes wrong for 192-bit keys only.
struct WrongSchedule192 : AnyAES<WrongSchedule192> {
  static void alterKey(ByteString& key) {
    if (key.size() == 24) key[5] ^= 0x10;
  }
};

// CBC that keeps the block it fed to the cipher as the chaining value: right when decrypting (the
// ciphertext), wrong when encrypting (the plaintext XOR the previous value, not the output).
struct ChainsCipherInput : AnyAES<ChainsCipherInput> {
  template <class V>
  std::pair<ByteString, V> cbc(const V& iv, const ByteString& in) const {
    return chain(iv, in, true);
  }
  template <class V>
  std::pair<ByteString, V> unCbc(const V& iv, const ByteString& in) const {
    return chain(iv, in, false);
  }
  template <class V>
  std::pair<ByteString, V> chain(const V& iv, const ByteString& in, bool encrypt) const {
    ByteString state = iv.bytes();
    ByteString out;
    for (auto at = in.begin(); at != in.end(); at += 16) {
      ByteString block(at, at + 16);
      if (encrypt) {
        for (std::size_t i = 0; i < 16; ++i) block[i] ^= state[i];
      }
      ByteString result = encrypt ? encryptBlock(block) : decryptBlock(block);
      if (!encrypt) {
        for (std::size_t i = 0; i < 16; ++i) result[i] ^= state[i];
      }
      out.insert(out.end(), result.begin(), result.end());
      state = block;
    }
    return {out, *V::parse(state)};
  }
};

// How many of the named tests come from a file whose name contains `part`.
std::size_t fromFiles(const std::vector<std::string>& names, const std::string& part) {
  return static_cast<std::size_t>(std::count_if(names.begin(), names.end(), [&part](const auto& n) {
    return contains(n.substr(0, n.rfind('-')), part);
  }));
}

TEST(AESTests, EachKeyTypeGetsTheVectorsOfItsKeyLengthAndPassesThem) {
  for (const auto& [trees, count] :
       {std::pair{makeAESTests<AES128>(), 2352u}, std::pair{makeAESTests<AES192>(), 2880u},
        std::pair{makeAESTests<AES256>(), 3320u}, std::pair{makeAESTests<CorrectAES>(), 8552u}}) {
    EXPECT_EQ(caseNames(trees).size(), count);
    EXPECT_EQ(trees.size(), count + 2);
    EXPECT_EQ(caseNames(trees, true), std::vector<std::string>{});
  }
}

TEST(AESTests, AWrong192BitKeyScheduleFailsExactlyThe192BitVectors) {
  const std::vector<Tree> trees = makeAESTests<WrongSchedule192>();
  const std::vector<std::string> failing = caseNames(trees, true);
  EXPECT_EQ(failing.size(), fromFiles(caseNames(trees), "192"));
  EXPECT_EQ(fromFiles(failing, "192"), failing.size());

  const Tree& first = *std::find_if(
      trees.begin(), trees.end(), [](const Tree& t) { return t.name() == "ECBGFSbox192e.rsp-0"; });
  const std::string report = failureOf(first).value_or("");
  // The name first, then the vector's place and every field of it, then the values.
  EXPECT_EQ(report.rfind("ECBGFSbox192e.rsp-0: encryptBlock of the PLAINTEXT differs from the "
                         "CIPHERTEXT\n" +
                             getDataFileName("Test/KAT_AES/ECBGFSbox192e.rsp") +
                             ":10: the vector:\n  COUNT = 0\n  KEY = " + std::string(48, '0') +
                             "\n  PLAINTEXT = 1b077a6af4b7f98229de786d7516b639\n"
                             "  CIPHERTEXT = 275cfc0413d8ccb70513c3859b1d0f72\ncomputed: ",
                         0),
            0u)
      << report;
  EXPECT_TRUE(contains(report, "\n  vector: 275cfc0413d8ccb70513c3859b1d0f72")) << report;
}

TEST(AESTests, CBCChainingTheWrongBlockFailsTheCBCVectorsAndLaws) {
  const std::vector<Tree> trees = makeAESTests<ChainsCipherInput>();
  // The first block comes out right, so exactly the longer CBC encryption records go wrong.
  std::set<std::string> longCBCEncryptions;
  for (const char* bits : {"128", "192", "256"}) {
    for (int count = 1; count < 10; ++count) {
      longCBCEncryptions.insert("CBCMMT" + std::string(bits) + "e.rsp-" + std::to_string(count));
    }
  }
  const std::vector<std::string> failing = caseNames(trees, true);
  EXPECT_EQ(std::set<std::string>(failing.begin(), failing.end()), longCBCEncryptions);
  EXPECT_EQ(support::failingProperties(trees),
            (std::vector<std::string>{"CBCEncDecID", "CBCStrictLazyEq"}));
}

}  // namespace
}  // namespace kavrit::test
