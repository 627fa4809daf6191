#include "kavrit/test/sha.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "kat_fixture.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::test {
namespace {

// In a TEST body "Test" is GoogleTest's fixture class.
using Tree = kavrit::test::Test;
using examples::SHA1;
using examples::SHA256;
using examples::SHA512;
using fixture::caseNames;
using fixture::failures;

// Records the chunk sizes of every lazy message; with Reversed, also hashes the chunks backwards.
template <bool Reversed>
struct ChunkSizes {
  static inline std::vector<std::vector<std::size_t>> seen;
  static LazyByteString lazy(const LazyByteString& message) {
    std::vector<ByteString> chunks = message.chunks();
    seen.emplace_back();
    for (const ByteString& c : chunks) seen.back().push_back(c.size());
    if (Reversed) std::reverse(chunks.begin(), chunks.end());
    return LazyByteString(chunks);
  }
};

template <class D>
std::string record(const std::string& len, const std::string& msg, const ByteString& hashed) {
  return "Len = " + len + "\nMsg = " + msg + "\nMD = " + toHex(D::hashStrict(hashed).serialize()) +
         "\n\n";
}

TEST(SHATests, FilesAreChosenByAlgorithmName) {
  fixture::DataDir dir;
  dir.write("Test/KAT_SHA/SHA1Short.rsp", "[L = 20]\n" + record<SHA1>("8", "61", {0x61}));
  dir.write("Test/KAT_SHA/SHA224Short.rsp", record<examples::SHA224>("8", "62", {0x62}));
  dir.write("Test/KAT_SHA/SHA512Short.rsp", record<SHA512>("8", "63", {0x63}));
  // Vectors of the truncated variant, whose digests are wrong for SHA-512.
  dir.write("Test/KAT_SHA/SHA512_256Short.rsp", record<SHA256>("8", "63", {0x63}));
  dir.write("Test/KAT_SHA/sha1lower.rsp", record<SHA256>("8", "61", {0x61}));
  dir.write("Test/KAT_SHA/SHA1dir/SHA1Inner.rsp", record<SHA1>("8", "61", {0x61}));
  std::filesystem::create_symlink(dir.root() / "nowhere", dir.root() / "Test/KAT_SHA/SHA1link");

  const std::vector<Tree> sha1 = makeSHA1Tests<SHA1>();
  EXPECT_EQ(caseNames(sha1), std::vector<std::string>{"NistSHA1-1"});
  EXPECT_EQ(sha1.back().name(), "Cryptographic Digest Property Tests");
  const std::vector<Tree> sha512 = makeSHA512Tests(SHA512::hashStrict({}));
  EXPECT_EQ(caseNames(sha512), std::vector<std::string>{"NistSHA512-1"});
  EXPECT_EQ(failures(sha1).at(0), std::nullopt);
  EXPECT_EQ(failures(sha512).at(0), std::nullopt);
}

TEST(SHATests, RecordsAreNumberedAcrossFilesAndCutToLen) {
  fixture::DataDir dir;
  const ByteString b37(37, 0x5a), b38(38, 0x5a);
  dir.write("Test/KAT_SHA/SHA256Short.rsp",
            record<SHA256>("0", "00", {}) + record<SHA256>("16", "aabbcc", {0xaa, 0xbb}) +
                "Len = 8\nMsg = 11\n\n" +                     // no MD: skipped
                record<SHA256>("12", "abcd", {0xab, 0xcd}) +  // bit-oriented: skipped
                record<SHA256>("64", "aabb", {0xaa, 0xbb}));  // Len past Msg: all of it
  dir.write("Test/KAT_SHA/SHA256Long.rsp",
            record<SHA256>("296", toHex(b37), b37) + record<SHA256>("304", toHex(b38), b38));

  using D = fixture::Rewired<SHA256, ChunkSizes<false>>;
  const std::vector<Tree> trees = makeSHA256Tests<D>();
  EXPECT_EQ(caseNames(trees),
            (std::vector<std::string>{"NistSHA256-1", "NistSHA256-2", "NistSHA256-3",
                                      "NistSHA256-4", "NistSHA256-5"}));
  for (const auto& failure : failures(trees)) EXPECT_EQ(failure, std::nullopt);
  auto seen = ChunkSizes<false>::seen;
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::vector<std::size_t>>{{}, {2}, {2}, {37}, {37, 1}}));
}

TEST(SHATests, MalformedFieldFailsOnlyItsOwnTest) {
  fixture::DataDir dir;
  dir.write("Test/KAT_SHA/SHA256Bad.rsp", record<SHA256>("8", "61", {0x61}) +
                                              record<SHA256>("8", "abc", {0x61}) +
                                              record<SHA256>("abc", "61", {0x61}));
  const auto results = failures(makeSHA256Tests<SHA256>());
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0], std::nullopt);
  ASSERT_TRUE(results[1] && results[2]);
  const std::string path = (dir.root() / "Test/KAT_SHA/SHA256Bad.rsp").string();
  EXPECT_TRUE(results[1]->starts_with(path + ":5: NistSHA256-2: field Msg: ")) << *results[1];
  EXPECT_NE(results[1]->find("Not an even number of hex characters in input to hexStringToBS!"),
            std::string::npos);
  EXPECT_NE(results[2]->find("cannot be read as an integer"), std::string::npos) << *results[2];
}

TEST(SHATests, MissingDirectoryThrowsNamingIt) {
  fixture::DataDir dir;
  try {
    (void)makeSHA256Tests<SHA256>();
    ADD_FAILURE() << "no error";
  } catch (const std::filesystem::filesystem_error& e) {
    EXPECT_NE(std::string(e.what()).find((dir.root() / "Test/KAT_SHA").string()),
              std::string::npos);
  }
}

TEST(SHATests, InstalledVectorsPassOnOpenSSLAndCatchAWrongLazyPath) {
  fixture::DataDir installed(false);
  EXPECT_EQ(caseNames(makeSHA1Tests<SHA1>()).size(), 129u);
  EXPECT_EQ(caseNames(makeSHA224Tests<examples::SHA224>()).size(), 129u);
  EXPECT_EQ(caseNames(makeSHA384Tests<examples::SHA384>()).size(), 257u);
  const std::vector<Tree> sha512 = makeSHA512Tests<SHA512>();
  EXPECT_EQ(caseNames(sha512).size(), 257u);
  for (const auto& failure : failures(sha512)) EXPECT_EQ(failure, std::nullopt);

  // Hashing the chunks backwards goes wrong exactly for messages of more than one chunk.
  const std::vector<Tree> trees = makeSHA256Tests<fixture::Rewired<SHA256, ChunkSizes<true>>>();
  const auto results = failures(trees);
  ASSERT_EQ(ChunkSizes<true>::seen.size(), 129u);
  for (std::size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(results[i].has_value(), ChunkSizes<true>::seen[i].size() > 1) << trees[i].name();
    if (results[i]) {
      EXPECT_TRUE(
          results[i]->starts_with(trees[i].name() + ": hashStrict and hash (37-byte chunks)"))
          << *results[i];
      EXPECT_NE(results[i]->find("Test/KAT_SHA/SHA256"), std::string::npos) << *results[i];
    }
  }
  // The short-message file has 38 messages of 0 to 37 bytes.
  EXPECT_EQ(std::count(results.begin(), results.end(), std::nullopt), 38);
}

// A known-answer test knows the file and line of its record, so that runners report it there.
TEST(SHATests, EachTestCarriesItsVectorFileAndLine) {
  fixture::DataDir dir;
  dir.write("Test/KAT_SHA/SHA256Lines.rsp", "# generated\n[L = 32]\n\n" +
                                                record<SHA256>("8", "61", {0x61}) +
                                                record<SHA256>("8", "62", {0x62}));
  const std::vector<Tree> trees = makeSHA256Tests<SHA256>();
  const std::string path = (dir.root() / "Test/KAT_SHA/SHA256Lines.rsp").string();
  ASSERT_EQ(caseNames(trees).size(), 2u);
  for (const auto& [index, line] : {std::pair{0, 4}, std::pair{1, 8}}) {
    const auto& location = trees.at(index).location();
    ASSERT_TRUE(location.has_value()) << index;
    EXPECT_EQ(location->file, path);
    EXPECT_EQ(location->line, line) << "record " << index;
  }
  EXPECT_FALSE(trees.back().location().has_value()) << "the property group comes from no file";
}

}  // namespace
}  // namespace kavrit::test
