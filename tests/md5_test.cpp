#include "kavrit/test/md5.hpp"
#include "kavrit/test/assert.hpp"

#include <gtest/gtest.h>

#include <string>

#include "kat_fixture.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::test {
namespace {

// In a TEST body "Test" is GoogleTest's fixture class.
using Tree = kavrit::test::Test;
using examples::MD5;
using fixture::failures;

// A stream that loses the first byte of every chunk after the first.
struct DropsByteAtBoundary {
  static LazyByteString lazy(const LazyByteString& message) {
    ByteString kept;
    for (const ByteString& chunk : message.chunks()) {
      kept.insert(kept.end(), chunk.begin() + (kept.empty() ? 0 : 1), chunk.end());
    }
    return LazyByteString({kept});
  }
};

std::vector<Tree> katCases(const std::vector<Tree>& trees) { return trees.at(1).children(); }

TEST(MD5Tests, PropertyGroupThenSevenCasesNamedMd5KATThatPassOnOpenSSL) {
  const std::vector<Tree> trees = makeMD5Tests(MD5::hashStrict({}));
  ASSERT_EQ(trees.size(), 2u);
  EXPECT_EQ(trees[0].name(), "Cryptographic Digest Property Tests");
  EXPECT_EQ(trees[1].name(), "MD5 KATs");
  EXPECT_EQ(fixture::caseNames(katCases(trees)), std::vector<std::string>(7, "md5KAT"));
  for (const auto& failure : failures(katCases(trees))) EXPECT_EQ(failure, std::nullopt);
}

TEST(MD5Tests, ChunkBoundaryFaultFailsOnlyTheSplitRows) {
  const auto results =
      failures(katCases(makeMD5Tests<fixture::Rewired<MD5, DropsByteAtBoundary>>()));
  ASSERT_EQ(results.size(), 7u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(results[i], std::nullopt) << "row " << i + 1;
  ASSERT_TRUE(results[5] && results[6]);
  EXPECT_TRUE(results[5]->starts_with("md5KAT6: hash of the RFC 1321 message {\"ABCDEFGHIJ"))
      << *results[5];
  EXPECT_NE(results[5]->find("(62 bytes; chunks of 32, 30)"), std::string::npos) << *results[5];
  EXPECT_TRUE(results[6]->starts_with("md5KAT7: ")) << *results[6];
}

TEST(MD5Tests, ParseNeedingMoreBytesIsAnErrorOnEveryRow) {
  for (const Tree& t : katCases(makeMD5Tests<examples::SHA256>())) {
    try {
      t.run();
      ADD_FAILURE() << "no error";
    } catch (const AssertionFailure& e) {
      ADD_FAILURE() << "an assertion instead of an error: " << e.what();
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("Test/MD5:38:3-25|function fromRight"),
                std::string::npos);
    }
  }
}

}  // namespace
}  // namespace kavrit::test
