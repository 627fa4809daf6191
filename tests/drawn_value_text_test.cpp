#include "kavrit/test/drawn_value_text.hpp"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "broken/broken_examples.hpp"
#include "kavrit/test/arbitrary.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

// Bytes 0, 1, 2, ... from `first`, wrapping at 256.
ByteString counting(std::size_t n, std::uint8_t first = 0) {
  ByteString out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(first + i);
  return out;
}

// OpenSSL's SHA-256, as a second opinion on the library's own.
std::string opensslSha256Hex(const ByteString& bytes) {
  ByteString digest(32);
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr);
  return toHex(digest);
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Sets KAVRIT_TESTS_DUMP_DIR for one test and unsets it afterwards.
class DumpDir {
 public:
  explicit DumpDir(const std::filesystem::path& dir) { setenv(kDumpDirVariable, dir.c_str(), 1); }
  ~DumpDir() { unsetenv(kDumpDirVariable); }
  DumpDir(const DumpDir&) = delete;
  DumpDir& operator=(const DumpDir&) = delete;
};

// A fresh empty directory, removed afterwards.
class TempDir {
 public:
  TempDir() : path_(std::filesystem::temp_directory_path() / "kavrit-drawn-value-XXXXXX") {
    std::string name = path_.string();
    if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = name;
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] std::vector<std::filesystem::path> files() const {
    return {std::filesystem::directory_iterator(path_), std::filesystem::directory_iterator()};
  }

 private:
  std::filesystem::path path_;
};

ByteString readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DescribeDrawnBytes, UpTo64BytesKeepsTheQuotedLiteral) {
  for (const std::size_t n : {0, 1, 63, 64}) {
    const ByteString bytes = counting(n, 0x20);
    EXPECT_EQ(describeDrawnBytes(bytes), quoteBytes(bytes)) << n;
  }
}

TEST(DescribeDrawnBytes, LongerShowsLengthEndsAndDigest) {
  for (const std::size_t n : {65, 100, 4096}) {
    ByteString bytes(n, 0xee);
    bytes.front() = 0x01;
    bytes.back() = 0x02;
    const std::string text = describeDrawnBytes(bytes);
    EXPECT_TRUE(contains(text, std::to_string(n) + " bytes")) << text;
    EXPECT_TRUE(contains(text, "first 32: 01" + std::string(62, 'e') + ";")) << text;
    EXPECT_TRUE(contains(text, "last 32: " + std::string(62, 'e') + "02")) << text;
    EXPECT_TRUE(contains(text, "sha256: " + opensslSha256Hex(bytes))) << text;
    EXPECT_LT(text.size(), 250U) << text;
  }
}

TEST(DescribeDrawnBytes, LongValuesThatDifferOnlyInTheMiddleDiffer) {
  ByteString a(1000, 0);
  ByteString b = a;
  b[500] = 1;
  EXPECT_NE(describeDrawnBytes(a), describeDrawnBytes(b));
}

TEST(DescribeDrawnLazyBytes, UpTo64BytesInAllKeepsTheQuotedChunks) {
  const LazyByteString lazy({counting(30), counting(34, 100)});
  EXPECT_EQ(describeDrawnLazyBytes(lazy), quoteLazyBytes(lazy));
  EXPECT_EQ(describeDrawnLazyBytes(LazyByteString()), quoteLazyBytes(LazyByteString()));
}

TEST(DescribeDrawnLazyBytes, LongerShowsChunkSizesAndTheWholeContent) {
  const LazyByteString lazy({counting(100), counting(2000, 7), counting(1, 9)});
  const std::string text = describeDrawnLazyBytes(lazy);
  EXPECT_TRUE(contains(text, "3 chunks of 100, 2000, 1 bytes")) << text;
  EXPECT_TRUE(contains(text, "2101 bytes")) << text;
  EXPECT_TRUE(contains(text, "sha256: " + opensslSha256Hex(lazy.flatten()))) << text;

  // Ten chunks of the largest drawn size still make one short line.
  const LazyByteString largest(std::vector<ByteString>(kMaxDrawnChunks, counting(kMaxDrawnBytes)));
  EXPECT_LT(describeDrawnLazyBytes(largest).size(), 350U);
  EXPECT_TRUE(contains(describeDrawnLazyBytes(LazyByteString({counting(65)})), "1 chunk of 65"));
}

TEST(DescribeDrawnBytes, WritesTheFullValueToTheDumpDirectory) {
  const TempDir dir;
  const DumpDir dump(dir.path());
  const ByteString bytes = counting(3000, 5);
  const std::string text = describeDrawnBytes(bytes);
  const std::vector<std::filesystem::path> files = dir.files();
  ASSERT_EQ(files.size(), 1U) << text;
  EXPECT_TRUE(contains(text, files[0].string())) << text;
  EXPECT_EQ(readFile(files[0]), bytes);

  // The same value again goes to the same file; a short one is shown whole and not written.
  EXPECT_EQ(describeDrawnBytes(bytes), text);
  EXPECT_EQ(describeDrawnBytes(counting(10)), quoteBytes(counting(10)));
  EXPECT_EQ(dir.files().size(), 1U);
}

TEST(DescribeDrawnLazyBytes, WritesTheFlattenedContentToTheDumpDirectory) {
  const TempDir dir;
  const DumpDir dump(dir.path());
  const LazyByteString lazy({counting(40), counting(60, 3)});
  const std::string text = describeDrawnLazyBytes(lazy);
  const std::vector<std::filesystem::path> files = dir.files();
  ASSERT_EQ(files.size(), 1U) << text;
  EXPECT_TRUE(contains(text, files[0].string())) << text;
  EXPECT_EQ(readFile(files[0]), lazy.flatten());
}

TEST(DescribeDrawnBytes, AnUnwritableDumpDirectoryIsToldNotThrown) {
  const TempDir dir;
  const DumpDir dump(dir.path() / "no such directory");
  std::string text;
  ASSERT_NO_THROW(text = describeDrawnBytes(counting(100)));
  EXPECT_TRUE(contains(text, "could not write")) << text;
  EXPECT_TRUE(contains(text, "sha256: " + opensslSha256Hex(counting(100)))) << text;
}

// The whole report of a failing CBC law, drawn inputs and all, stays a few lines long: the inputs
// are key seed, IV bytes and plaintext of up to 4096 bytes each.
TEST(DrawnValueReport, FailingCbcPropertyReportIsShort) {
  using examples::BrokenDecryptAES128;
  const propcheck::Tree leaf =
      propcheck::leafNamed(makeBlockCipherPropTests<BrokenDecryptAES128>(), "CBCEncDecID");
  const PropertyResult result = propcheck::checkLeaf(leaf);
  ASSERT_EQ(result.outcome, PropertyResult::Outcome::Failed) << result.report;
  EXPECT_TRUE(contains(result.report, "bytes; first 32: ")) << result.report;
  EXPECT_LT(result.report.size(), 4096U) << result.report;
}

}  // namespace
}  // namespace kavrit::test
