#include "kavrit/test/manifest.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "kat_fixture.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "openssl/openssl_digest.hpp"
#include "suites/file_rules.hpp"
#include "vectors/manifest_sha256.hpp"

namespace kavrit::test {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SHA256Tests, MatchesPublishedValuesAndOpenSSLAcrossThePaddingBoundaries) {
  EXPECT_EQ(detail::sha256Hex(""),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(detail::sha256Hex("abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  std::string message;
  for (int n = 0; n <= 200; ++n) {
    const ByteString bytes(message.begin(), message.end());
    EXPECT_EQ(detail::sha256Hex(message), toHex(examples::SHA256::hashStrict(bytes).serialize()))
        << n << " bytes";
    message.push_back(static_cast<char>(n * 7 + 1));
  }
}

// The committed data directory, as the build sees it.
const fs::path kData = KAVRIT_TESTS_DATADIR;
// Wycheproof's JSON files: not in the table of vector directories, counted by their "tcId" keys.
const std::string kWycheproof = "Test/WYCHEPROOF";

TEST(ManifestTests, EveryCommittedVectorFileIsListedAndMatches) {
  const std::vector<ManifestEntry> entries =
      parseManifest(readText(kData / "MANIFEST"), "MANIFEST");
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kData / "Test")) {
    files += entry.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(entries.size(), files);
  // Every folder of the data has its entry in the table of vector directories, or is
  // Wycheproof's.
  for (const auto& entry : fs::directory_iterator(kData / "Test")) {
    const std::string family = "Test/" + entry.path().filename().string();
    EXPECT_TRUE(recordKeyOf(family).has_value() || family == kWycheproof) << family;
  }
  for (const DataProblem& problem : verifyDataDirectory(kData.string())) {
    ADD_FAILURE() << describe(problem);
  }
}

// A scratch copy of the committed data directory, which the library then reads.
class ScratchData {
 public:
  ScratchData() { fs::copy(kData, dir_.root(), fs::copy_options::recursive); }
  [[nodiscard]] fs::path operator/(const std::string& relative) const {
    return dir_.root() / relative;
  }
  [[nodiscard]] std::string path(const std::string& relative) const {
    return (dir_.root() / relative).string();
  }

 private:
  fixture::DataDir dir_;
};

std::vector<std::string> described(const std::vector<DataProblem>& problems) {
  std::vector<std::string> lines;
  for (const DataProblem& problem : problems) lines.push_back(describe(problem));
  return lines;
}

TEST(ManifestTests, DeletedTruncatedAlteredAndExtraFilesAreNamed) {
  ScratchData data;
  ASSERT_EQ(verifyDataDirectory(), std::vector<DataProblem>{});
  const std::string deleted = "Test/KAT_SHA_MONTE/SHA256Monte.rsp";
  const std::string truncated = "Test/KAT_AES/CBCMMT192e.rsp";
  const std::string altered = "Test/KAT_AES_CTR/CTRSP800-38Ae.rsp";
  fs::remove(data / deleted);
  fs::resize_file(data / truncated, fs::file_size(data / truncated) / 2);
  std::string text = readText(data / altered);
  text[text.rfind('c')] = 'd';  // a nibble of the last ciphertext
  std::ofstream(data / altered, std::ios::binary) << text;
  std::ofstream(data / "Test/KAT_SHA/SHA256Extra.rsp") << "Len = 0\n";

  const std::vector<DataProblem> problems = verifyDataDirectory();
  ASSERT_EQ(problems.size(), 4u) << testing::PrintToString(described(problems));
  EXPECT_EQ(problems[0].kind, DataProblemKind::RecordCountDiffers);
  EXPECT_EQ(problems[0].path, data.path(truncated));
  EXPECT_TRUE(describe(problems[0])
                  .starts_with(data.path(truncated) + ": record count differs: 7 records where the "
                                                      "manifest lists 10; "))
      << describe(problems[0]);
  EXPECT_EQ(problems[1].kind, DataProblemKind::ContentDiffers);
  EXPECT_EQ(problems[1].path, data.path(altered));
  EXPECT_EQ(problems[2].kind, DataProblemKind::MissingFile);
  EXPECT_EQ(
      describe(problems[2]).rfind(data.path(deleted) + ": missing: listed on manifest line ", 0),
      0u);
  EXPECT_EQ(problems[3], (DataProblem{DataProblemKind::ExtraFile,
                                      data.path("Test/KAT_SHA/SHA256Extra.rsp"), ""}));
}

TEST(ManifestTests, TheRecordCountsAgreeWithTheImportTool) {
  ScratchData data;
  // One more line changes the size but no record count, in every family and every Wycheproof
  // file (each JSON file counted by this library as by the importer).
  std::vector<std::string> files = {
      "Test/KAT_AES/ECBVarKey256d.rsp", "Test/KAT_AES_CTR/CTRRFC3686-192d.rsp",
      "Test/KAT_SHA/SHA384LongMsg.rsp", "Test/KAT_SHA_MONTE/SHA1Monte.rsp",
      "Test/KAT_HMAC/HMAC.rsp",         "Test/KAT_TWOFISH/ECB_TLB.TXT"};
  for (const auto& entry : fs::directory_iterator(data / kWycheproof)) {
    files.push_back(kWycheproof + "/" + entry.path().filename().string());
  }
  EXPECT_EQ(files.size(), 6u + 46u);
  for (const std::string& file : files) std::ofstream(data / file, std::ios::app) << "\n";
  std::vector<std::string> sizeOnly;
  for (const DataProblem& problem : verifyDataDirectory()) {
    EXPECT_EQ(problem.kind, DataProblemKind::SizeDiffers) << describe(problem);
    sizeOnly.push_back(problem.path);
  }
  std::vector<std::string> expected;
  for (const std::string& file : files) expected.push_back(data.path(file));
  std::sort(sizeOnly.begin(), sizeOnly.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(sizeOnly, expected);
}

TEST(ManifestTests, AWycheproofFileIsCountedByItsTestIds) {
  ScratchData data;
  const std::string renamed = kWycheproof + "/aes_gcm_test.json";
  const std::string altered = kWycheproof + "/hkdf_sha1_test.json";
  // The last test's "tcId" misspelt "tcIds": a reader would no longer see that test.
  std::string text = readText(data / renamed);
  const std::size_t at = text.rfind("\"tcId\"");
  ASSERT_NE(at, std::string::npos);
  text.insert(at + 5, "s");
  std::ofstream(data / renamed, std::ios::binary) << text;
  // A changed value leaves the 87 tests where they were.
  text = readText(data / altered);
  const std::size_t okm = text.rfind("\"okm\": \"");
  ASSERT_NE(okm, std::string::npos);
  text[okm + 8] = text[okm + 8] == '0' ? '1' : '0';
  std::ofstream(data / altered, std::ios::binary) << text;

  const std::vector<DataProblem> problems = verifyDataDirectory();
  ASSERT_EQ(problems.size(), 2u) << testing::PrintToString(described(problems));
  EXPECT_EQ(problems[0].kind, DataProblemKind::RecordCountDiffers);
  EXPECT_TRUE(describe(problems[0])
                  .starts_with(data.path(renamed) +
                               ": record count differs: 315 records where the manifest lists 316; "
                               "213178 bytes, SHA-256 "))
      << describe(problems[0]);
  EXPECT_EQ(problems[1].kind, DataProblemKind::ContentDiffers) << describe(problems[1]);
  EXPECT_EQ(problems[1].path, data.path(altered));
}

TEST(ManifestTests, AMissingOrEmptiedFamilyIsOneProblem) {
  ScratchData data;
  fs::remove_all(data / "Test/KAT_TWOFISH");
  for (const auto& entry : fs::directory_iterator(data / "Test/KAT_HMAC")) fs::remove(entry);
  EXPECT_EQ(
      described(verifyDataDirectory()),
      (std::vector<std::string>{
          data.path("Test/KAT_HMAC") + ": directory missing or empty: files listed there: 1",
          data.path("Test/KAT_TWOFISH") + ": directory missing or empty: files listed there: 7"}));
  fs::remove(data / "MANIFEST");
  EXPECT_EQ(described(verifyDataDirectory()),
            std::vector<std::string>{data.path("MANIFEST") + ": bad manifest: cannot be read"});
}

TEST(ManifestTests, MalformedLinesAreRejectedWithTheirLineNumber) {
  const std::string digest(64, 'a');
  const std::string good = "Test/A/x.rsp\tsrc\torig\t3\t10\t" + digest + "\n";
  const std::vector<ManifestEntry> entries = parseManifest("# head\n\n" + good, "M");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].path, "Test/A/x.rsp");
  EXPECT_EQ(entries[0].records, 3u);
  EXPECT_EQ(entries[0].bytes, 10u);
  EXPECT_EQ(entries[0].line, 3u);
  for (const auto& [line, message] : std::vector<std::pair<std::string, std::string>>{
           {"Test/x\tsrc\torig\t3\t10\n", "M:2: 5 tab-separated fields, expected 6"},
           {"Test/x\tsrc\torig\t-3\t10\t" + digest, "M:2: record count \"-3\" is not a number"},
           {"Test/x\tsrc\torig\t3\t1e3\t" + digest, "M:2: size \"1e3\" is not a number"},
           {"Test/x\tsrc\torig\t3\t10\t" + std::string(64, 'A'), "M:2: SHA-256 \"AAAA"},
           {"../x\tsrc\torig\t3\t10\t" + digest, "M:2: path \"../x\" is not a plain relative"},
           {"/etc/x\tsrc\torig\t3\t10\t" + digest, "M:2: path \"/etc/x\" is not"},
           {good, "M:2: path Test/A/x.rsp is listed twice"}}) {
    try {
      (void)parseManifest(good + line, "M");
      ADD_FAILURE() << line << " was accepted";
    } catch (const std::invalid_argument& error) {
      EXPECT_TRUE(std::string(error.what()).starts_with(message)) << error.what();
    }
  }
}

TEST(ManifestTests, ABadManifestIsReportedNotThrown) {
  fixture::DataDir dir;
  dir.write("MANIFEST", "Test/x\tonly three\tfields\n");
  const std::vector<DataProblem> problems = verifyDataDirectory();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, DataProblemKind::BadManifest);
  EXPECT_TRUE(contains(problems[0].detail, (dir.root() / "MANIFEST").string() + ":1: 3 tab"))
      << problems[0].detail;
}

// The importer writes the manifest's record counts by its own table; it must be this library's.
TEST(ManifestTest, TheImporterCountsRecordsByTheTableOfVectorDirectories) {
  std::ifstream in(std::string(KAVRIT_SOURCE_DIR) + "/tools/import_vectors.py");
  ASSERT_TRUE(in) << "cannot read tools/import_vectors.py";
  std::map<std::string, std::string> importer;
  std::vector<std::string> countedByTestIds;
  bool inTable = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("RECORD_KEYS = {")) {
      inTable = true;
    } else if (inTable && line.starts_with("}")) {
      break;
    } else if (inTable && contains(line, "b'\"tcId\"'")) {
      // The JSON rule:     "WYCHEPROOF": b'"tcId"',
      const std::size_t q1 = line.find('"');
      countedByTestIds.push_back("Test/" + line.substr(q1 + 1, line.find('"', q1 + 1) - q1 - 1));
    } else if (inTable) {
      // Lines such as:     "KAT_AES": b"COUNT",
      const std::size_t q1 = line.find('"');
      const std::size_t q2 = line.find('"', q1 + 1);
      const std::size_t q3 = line.find("b\"", q2 + 1);
      const std::size_t q4 = line.find('"', q3 + 2);
      ASSERT_NE(q4, std::string::npos) << line;
      importer["Test/" + line.substr(q1 + 1, q2 - q1 - 1)] = line.substr(q3 + 2, q4 - q3 - 2);
    }
  }
  std::map<std::string, std::string> library;
  for (const VectorDirectory& directory : vectorDirectories()) {
    library[std::string(directory.name)] = std::string(directory.countedField);
  }
  EXPECT_EQ(importer, library);
  // The library counts this folder's tests only while the table leaves it out.
  EXPECT_EQ(countedByTestIds, std::vector<std::string>{kWycheproof});
  EXPECT_FALSE(recordKeyOf(kWycheproof).has_value());
  // The Monte Carlo files are parsed by Seed and counted by their checkpoints.
  EXPECT_EQ(recordKeyOf("Test/KAT_SHA_MONTE"), "Seed");
}

}  // namespace
}  // namespace kavrit::test
