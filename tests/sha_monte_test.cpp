#include "kavrit/test/sha_monte.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "kat_fixture.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/sha.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::test {
namespace {

using Tree = kavrit::test::Test;  // TEST bodies see testing::Test as Test
using examples::SHA256;
using fixture::caseNames;
using fixture::failureOf;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A file of the committed data, whatever the data directory is set to.
std::string committedFile(const std::string& name) {
  std::ifstream in(std::string(KAVRIT_TESTS_DATADIR) + "/Test/KAT_SHA_MONTE/" + name,
                   std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// SHA-256 that goes wrong on one kind of message only, in both entry points.
template <class Wrong>
struct FaultySHA256 {
  SHA256 inner;
  static constexpr long outputLength() { return 256; }
  static constexpr long blockLength() { return 512; }
  static FaultySHA256 hash(const LazyByteString& m) { return hashStrict(m.flatten()); }
  static FaultySHA256 hashStrict(const ByteString& m) {
    ByteString digest = SHA256::hashStrict(m).serialize();
    if (Wrong::applies(m)) digest[31] ^= 1;
    return {*SHA256::parse(digest)};
  }
  [[nodiscard]] ByteString serialize() const { return inner.serialize(); }
  static std::optional<FaultySHA256> parse(const ByteString& bytes) {
    if (auto digest = SHA256::parse(bytes)) return FaultySHA256{*digest};
    return std::nullopt;
  }
  friend bool operator==(const FaultySHA256&, const FaultySHA256&) = default;
};

// Wrong for every 96-byte message: the length of every Monte Carlo message of SHA-256.
struct Length96 {
  static bool applies(const ByteString& m) { return m.size() == 96; }
};

// Wrong only for the first message of checkpoint 5: three times the MD recorded for COUNT = 4.
struct FirstMessageOfCheckpoint5 {
  static bool applies(const ByteString& m) {
    static const std::string md4 =
        "f9eba2a4cf6263826beaf6150057849eb975a9513c0b76ecad0f1c19ebbad89b";
    return toHex(m) == md4 + md4 + md4;
  }
};

// The lazy path hashes the chunks in reverse order.
struct ReversedChunks {
  static LazyByteString lazy(const LazyByteString& m) {
    std::vector<ByteString> chunks = m.chunks();
    std::reverse(chunks.begin(), chunks.end());
    return LazyByteString(std::move(chunks));
  }
};

TEST(SHAMonteTests, EveryAlgorithmGetsItsHundredCheckpointsAndOpenSSLPassesThem) {
  fixture::DataDir installed(false);
  EXPECT_EQ(caseNames(makeSHA1MonteTests<examples::SHA1>()).size(), 100u);
  EXPECT_EQ(caseNames(makeSHA224MonteTests<examples::SHA224>()).size(), 100u);
  EXPECT_EQ(caseNames(makeSHA384MonteTests<examples::SHA384>()).size(), 100u);
  const std::vector<Tree> sha512 = makeSHA512MonteTests<examples::SHA512>();
  EXPECT_EQ(caseNames(sha512, true), std::vector<std::string>{});
  const std::vector<Tree> sha256 = makeSHA256MonteTests(SHA256::hashStrict({}));
  ASSERT_EQ(sha256.size(), 100u);
  EXPECT_EQ(sha256.front().name(), "NistSHA256Monte-0");
  EXPECT_EQ(sha256.back().name(), "NistSHA256Monte-99");
  EXPECT_EQ(caseNames(sha256, true), std::vector<std::string>{});
}

TEST(SHAMonteTests, ASHA256WrongOnlyOn96ByteMessagesFailsEveryCheckpoint) {
  fixture::DataDir installed(false);
  using Wrong = FaultySHA256<Length96>;
  // The single-message vectors have no 96-byte message, so they miss the fault.
  EXPECT_EQ(caseNames(makeSHA256Tests<Wrong>(), true), std::vector<std::string>{});

  const std::vector<Tree> trees = makeSHA256MonteTests<Wrong>();
  EXPECT_EQ(caseNames(trees, true).size(), 100u);
  const std::string path = getDataFileName("Test/KAT_SHA_MONTE/SHA256Monte.rsp");
  const std::string first = failureOf(trees[0]).value_or("");
  EXPECT_EQ(first.rfind("NistSHA256Monte-0: checkpoint COUNT = 0, 1000 iterations from the Seed\n" +
                            path + ":10: the vector:\n  Seed = 6d1e72ad",
                        0),
            0u)
      << first;
  EXPECT_TRUE(contains(first,
                       "\n  vector: (e93c330ae5447738c8aa85d71a6c80f2a58381d05872d26bdd39f1"
                       "fcd4f2b788, e93c330a"))
      << first;
  const std::string second = failureOf(trees[1]).value_or("");
  EXPECT_EQ(second.rfind("NistSHA256Monte-1: checkpoint COUNT = 1, 1000 iterations from the MD "
                         "recorded for COUNT = 0\n",
                         0),
            0u)
      << second;
}

TEST(SHAMonteTests, EachCheckpointStartsFromTheRecordedDigestBeforeIt) {
  fixture::DataDir installed(false);
  const std::vector<Tree> trees = makeSHA256MonteTests<FaultySHA256<FirstMessageOfCheckpoint5>>();
  EXPECT_EQ(caseNames(trees, true), std::vector<std::string>{"NistSHA256Monte-5"});
}

TEST(SHAMonteTests, AWrongLazyPathNamesTheIterationWhereTheEntryPointsSplit) {
  fixture::DataDir installed(false);
  const std::vector<Tree> trees = makeSHA256MonteTests<fixture::Rewired<SHA256, ReversedChunks>>();
  EXPECT_EQ(caseNames(trees, true).size(), 100u);
  const std::string report = failureOf(trees[3]).value_or("");
  EXPECT_TRUE(
      contains(report, "\nhashStrict and hash (37-byte chunks) first differ at iteration 1\n"))
      << report;
  EXPECT_TRUE(contains(report,
                       "\ncomputed: (fb0099a964fad5a88cf12952f2991ce256a4ac3049f3d389c3b"
                       "9e6c00e585db4, "))
      << report;
}

// The installed SHA-1 file with its lines changed by `edit`, as the only file of a scratch
// directory, next to files that must not be read.
template <class Edit>
std::vector<Tree> scratchSHA1(const fixture::DataDir& dir, Edit edit) {
  std::istringstream in(committedFile("SHA1Monte.rsp"));
  std::string text;
  for (std::string line; std::getline(in, line);) {
    if (edit(line)) text += line + "\n";
  }
  dir.write("Test/KAT_SHA_MONTE/SHA1Monte.rsp", text);
  dir.write("Test/KAT_SHA_MONTE/SHA1_Other.rsp", "Seed = 00\nCOUNT = 0\nMD = 00\n");
  dir.write("Test/KAT_SHA_MONTE/SHA224Monte.rsp", "Seed = 00\nCOUNT = 0\nMD = 00\n");
  return makeSHA1MonteTests<examples::SHA1>();
}

TEST(SHAMonteTests, ACountWithoutMDDropsItAndTheCheckpointThatWouldStartFromIt) {
  fixture::DataDir dir;
  bool inCount3 = false;
  const std::vector<Tree> trees = scratchSHA1(dir, [&inCount3](const std::string& line) {
    if (line.starts_with("COUNT")) inCount3 = line.starts_with("COUNT = 3\r");
    return !(inCount3 && line.starts_with("MD"));
  });
  const std::vector<std::string> names = caseNames(trees);
  ASSERT_EQ(names.size(), 98u);
  EXPECT_EQ(names[2], "NistSHA1Monte-2");
  EXPECT_EQ(names[3], "NistSHA1Monte-5");
  EXPECT_EQ(caseNames(trees, true), std::vector<std::string>{});
}

TEST(SHAMonteTests, BadHexFailsOnlyTheCheckpointsThatReadIt) {
  fixture::DataDir dir;
  bool inCount7 = false;
  const std::vector<Tree> trees = scratchSHA1(dir, [&inCount7](std::string& line) {
    if (line.starts_with("COUNT")) inCount7 = line.starts_with("COUNT = 7\r");
    if (inCount7 && line.starts_with("MD")) line += "0";
    return true;
  });
  // COUNT = 7 holds the bad MD, and COUNT = 8 starts from it.
  ASSERT_EQ(trees.size(), 100u);
  EXPECT_EQ(caseNames(trees, true),
            (std::vector<std::string>{"NistSHA1Monte-7", "NistSHA1Monte-8"}));
  const std::string report = failureOf(trees[8]).value_or("");
  EXPECT_TRUE(contains(report, ": field MD (line ")) << report;
  EXPECT_TRUE(contains(report, "Not an even number of hex characters")) << report;
}

TEST(SHAMonteTests, MissingDirectoryThrowsNamingIt) {
  fixture::DataDir dir;
  try {
    (void)makeSHA256MonteTests<SHA256>();
    ADD_FAILURE() << "no error";
  } catch (const std::filesystem::filesystem_error& e) {
    EXPECT_TRUE(contains(e.what(), (dir.root() / "Test/KAT_SHA_MONTE").string())) << e.what();
  }
}

}  // namespace
}  // namespace kavrit::test
