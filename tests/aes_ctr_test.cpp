#include "kavrit/test/aes_ctr.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/test/paths.hpp"
#include "openssl/openssl_aes.hpp"

namespace kavrit::test {
namespace {

using support::AnyAES;
using support::caseNames;
using support::contains;
using support::CorrectAES;
using support::failureOf;
using support::ScratchVectorDir;
using Tree = kavrit::test::Test;  // TEST bodies see testing::Test as Test

// ---- Counters that go wrong, as key types with their own CTR ----

// A CTR whose counter steps with `Step::next`; with `KeepsIVWhenLazy` the lazy forms give back
// the IV they were handed instead of the next one.
template <class Step, bool KeepsIVWhenLazy = false>
struct CounterAES : AnyAES<CounterAES<Step, KeepsIVWhenLazy>> {
  template <class V>
  std::pair<ByteString, V> ctr(const V& iv, const ByteString& in) const {
    return run(iv, in);
  }
  template <class V>
  std::pair<ByteString, V> unCtr(const V& iv, const ByteString& in) const {
    return run(iv, in);
  }
  template <class V>
  std::pair<LazyByteString, V> ctrLazy(const V& iv, const LazyByteString& in) const {
    auto [out, next] = run(iv, in.flatten());
    return {LazyByteString({out}), KeepsIVWhenLazy ? iv : next};
  }
  template <class V>
  std::pair<LazyByteString, V> unCtrLazy(const V& iv, const LazyByteString& in) const {
    return ctrLazy(iv, in);
  }
  template <class V>
  std::pair<ByteString, V> run(const V& iv, const ByteString& in) const {
    ByteString counter = iv.bytes();
    ByteString out;
    for (std::size_t at = 0; at + 16 <= in.size(); at += 16) {
      const ByteString pad = this->encryptBlock(counter);
      for (std::size_t i = 0; i < 16; ++i) out.push_back(in[at + i] ^ pad[i]);
      Step::next(counter);
    }
    return {out, *V::parse(counter)};
  }
};

struct BigEndian {
  static void next(ByteString& c) {
    for (std::size_t i = c.size(); i-- > 0;) {
      if (++c[i] != 0) break;
    }
  }
};
struct LittleEndian {
  static void next(ByteString& c) {
    for (std::uint8_t& b : c) {
      if (++b != 0) break;
    }
  }
};
struct NoCarry {
  static void next(ByteString& c) { ++c.back(); }
};

std::set<std::string> failingSet(const std::vector<Tree>& trees) {
  const std::vector<std::string> failing = caseNames(trees, true);
  return {failing.begin(), failing.end()};
}

// The names of the tests from the SP 800-38A files, whose counter carries in the second block.
const std::set<std::string> kCarrying = {"CTRSP800-38Ae.rsp-0", "CTRSP800-38Ae.rsp-1",
                                         "CTRSP800-38Ae.rsp-2", "CTRSP800-38Ad.rsp-0",
                                         "CTRSP800-38Ad.rsp-1", "CTRSP800-38Ad.rsp-2"};

// ---- The committed vectors ----

TEST(AESCTRTests, EachKeyLengthGetsItsVectorsAndOpenSSLPassesThem) {
  for (const auto& [trees, count] :
       {std::pair{makeAESCTRTests<examples::AES128>(), 8u},
        std::pair{makeAESCTRTests(*examples::AES192::buildKey(ByteString(24))), 8u},
        std::pair{makeAESCTRTests<examples::AES256>(), 8u},
        std::pair{makeAESCTRTests<CorrectAES>(), 24u},
        std::pair{makeAESCTRTests<CounterAES<BigEndian>>(), 24u}}) {
    EXPECT_EQ(caseNames(trees).size(), count);
    EXPECT_EQ(trees.size(), count);
    EXPECT_EQ(caseNames(trees, true), std::vector<std::string>{});
  }
}

TEST(AESCTRTests, ALittleEndianCounterFailsEveryMultiBlockVector) {
  const std::vector<Tree> trees = makeAESCTRTests<CounterAES<LittleEndian>>();
  std::set<std::string> expected = kCarrying;
  for (const char* size : {"128", "192", "256"}) {
    for (const char* direction : {"e", "d"}) {
      for (const char* count : {"1", "2"}) {  // COUNT 0 is a single block
        expected.insert(std::string("CTRRFC3686-") + size + direction + ".rsp-" + count);
      }
    }
  }
  EXPECT_EQ(failingSet(trees), expected);
}

TEST(AESCTRTests, ACounterThatDoesNotCarryFailsTheSP800Vectors) {
  const std::vector<Tree> trees = makeAESCTRTests<CounterAES<NoCarry>>();
  EXPECT_EQ(failingSet(trees), kCarrying);
  const Tree& first = *std::find_if(
      trees.begin(), trees.end(), [](const Tree& t) { return t.name() == "CTRSP800-38Ad.rsp-1"; });
  const std::string report = failureOf(first).value_or("");
  EXPECT_EQ(report.rfind("CTRSP800-38Ad.rsp-1: unCtr of the CIPHERTEXT differs from the PLAINTEXT "
                         "(computed: whole input, then 37-byte chunks through unCtrLazy)\n" +
                             getDataFileName("Test/KAT_AES_CTR/CTRSP800-38Ad.rsp") +
                             ":13: the vector:\n  COUNT = 1\n",
                         0),
            0u)
      << report;
  // The first block is right; the second one, under the counter that should have carried, is not.
  EXPECT_TRUE(contains(report, "first difference at byte 16")) << report;
}

TEST(AESCTRTests, ALazyFormThatKeepsTheIVFailsOnTheNextIV) {
  const std::vector<Tree> trees = makeAESCTRTests<CounterAES<BigEndian, true>>();
  ASSERT_EQ(caseNames(trees, true).size(), 24u);
  const std::string report = failureOf(trees.front()).value_or("");
  EXPECT_TRUE(contains(report, trees.front().name() + ": ")) << report;
  EXPECT_TRUE(
      contains(report, "Lazy give different next IVs\n" + getDataFileName("Test/KAT_AES_CTR/")))
      << report;
}

// ---- Reading the files ----

const std::string kKey = "2b7e151628aed2a6abf7158809cf4f3c";
const std::string kIV = "f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff";

std::string record(const std::string& count, const std::string& iv, const std::string& key,
                   const std::string& plaintext, const std::string& ciphertext) {
  return "COUNT = " + count + "\nKEY = " + key + "\nIV = " + iv + "\nPLAINTEXT = " + plaintext +
         "\nCIPHERTEXT = " + ciphertext + "\n\n";
}

// SP 800-38A F.5.1, first block and the first 5 bytes of it.
const std::string kPlain = "6bc1bee22e409f96e93d7e117393172a";
const std::string kCipher = "874d6191b620e3261bef6864990db6ce";

TEST(AESCTRTests, FilesAreChosenByNameAndIncompleteRecordsLeftOut) {
  ScratchVectorDir data("Test/KAT_AES_CTR");
  data.write("CTRa-e.rsp", "[ENCRYPT]\n" + record("0", kIV, kKey, kPlain, kCipher) +
                               "COUNT = 1\nKEY = " + kKey + "\nIV = " + kIV +
                               "\nPLAINTEXT = 00\n\n" +
                               record("2", kIV, kKey.substr(2), kPlain, kCipher) +  // 15-byte key
                               record("3", kIV.substr(4), kKey, kPlain, kCipher) +  // short IV
                               record("4", kIV, kKey, kPlain.substr(0, 10), kCipher.substr(0, 10)));
  data.write("CTRb-d.rsp", record("7", kIV, kKey, kPlain, kCipher));
  data.write("CBCx-e.rsp", record("0", kIV, kKey, kPlain, kCipher));
  data.write("readme.txt", "COUNT = 0\n");
  const std::vector<Tree> trees = makeAESCTRTests<examples::AES128>();
  std::vector<std::string> names = caseNames(trees);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"CTRa-e.rsp-0", "CTRa-e.rsp-4", "CTRb-d.rsp-7"}));
  // The 5-byte record is padded to a block for the call and compared on its own length.
  EXPECT_EQ(caseNames(trees, true), std::vector<std::string>{});
}

TEST(AESCTRTests, BadHexInKeyOrIVStopsTheBuildButInTextFailsOnlyItsTest) {
  for (const auto& [field, text] : {std::pair{"KEY", record("0", kIV, "abc", kPlain, kCipher)},
                                    std::pair{"IV", record("0", "f0f", kKey, kPlain, kCipher)}}) {
    ScratchVectorDir data("Test/KAT_AES_CTR");
    data.write("CTRodd-e.rsp", record("9", kIV, kKey, kPlain, kCipher) + text);
    try {
      (void)makeAESCTRTests<examples::AES128>();
      ADD_FAILURE() << "bad hex in " << field << " did not stop the build";
    } catch (const std::invalid_argument& error) {
      EXPECT_EQ(std::string(error.what()).rfind(data.path("CTRodd-e.rsp") + ":", 0), 0u)
          << error.what();
      EXPECT_TRUE(contains(error.what(), ": CTRodd-e.rsp-0: field " + std::string(field) + ": "))
          << error.what();
    }
  }
  ScratchVectorDir data("Test/KAT_AES_CTR");
  data.write("CTRtext-e.rsp",
             record("0", kIV, kKey, "zz", kCipher) + record("1", kIV, kKey, kPlain, kCipher));
  const std::vector<Tree> trees = makeAESCTRTests<examples::AES128>();
  ASSERT_EQ(trees.size(), 2u);
  const std::string failure = failureOf(trees[0]).value_or("");
  EXPECT_EQ(failure.rfind(data.path("CTRtext-e.rsp") + ":1: CTRtext-e.rsp-0: field PLAINTEXT: ", 0),
            0u)
      << failure;
  EXPECT_EQ(failureOf(trees[1]), std::nullopt);
}

TEST(AESCTRTests, MissingDirectoryThrowsNamingIt) {
  fixture::DataDir dir;
  try {
    (void)makeAESCTRTests<examples::AES128>();
    ADD_FAILURE() << "no error";
  } catch (const std::filesystem::filesystem_error& e) {
    EXPECT_TRUE(contains(e.what(), (dir.root() / "Test/KAT_AES_CTR").string())) << e.what();
  }
}

}  // namespace
}  // namespace kavrit::test
