// Vector directories and implementations that are out to break the suites: malformed and odd
// files, entries that are not files, directories that change under the reader, and
// implementations that throw or return the wrong number of bytes. Each must end in a clear error
// or in the failure of the one test concerned, with every other test still running.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/vector_files.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;  // literals holding NUL bytes
using kavrit::ByteString;
using kavrit::LazyByteString;
using kavrit::examples::AES128;
using kavrit::examples::SHA256;
using kavrit::test::support::caseNames;
using kavrit::test::support::contains;
using kavrit::test::support::failureOf;
using kavrit::test::support::ScratchVectorDir;
using Tree = kavrit::test::Test;

ByteString bytesOf(const std::string& text) { return ByteString(text.begin(), text.end()); }

// A SHA-256 vector record for `message`, with the digest computed by OpenSSL.
std::string shaRecord(const ByteString& message) {
  return "Len = " + std::to_string(message.size() * 8) +
         "\nMsg = " + (message.empty() ? std::string("00") : kavrit::toHex(message)) +
         "\nMD = " + kavrit::toHex(SHA256::hashStrict(message).serialize()) + "\n\n";
}

std::string goodShaFile() {
  return "[L = 32]\n\n" + shaRecord({}) + shaRecord(bytesOf("abc")) + shaRecord(bytesOf("hostile"));
}

// The unit cases of a SHA-256 suite, the properties left out.
std::vector<Tree> shaCases(const std::vector<Tree>& trees) {
  std::vector<Tree> cases;
  for (const Tree& t : trees) {
    if (t.kind() == Tree::Kind::Case) cases.push_back(t);
  }
  return cases;
}

std::vector<std::optional<std::string>> outcomes(const std::vector<Tree>& cases) {
  std::vector<std::optional<std::string>> out;
  for (const Tree& t : cases) out.push_back(failureOf(t));
  return out;
}

// --- vector directories ---------------------------------------------------------------------

TEST(HostileVectorFiles, EmptyBinaryAndNulFilesGiveNoTestsBesideTheGoodOnes) {
  ScratchVectorDir dir("Test/KAT_SHA");
  dir.write("SHA256ShortMsg.rsp", goodShaFile());
  dir.write("SHA256Empty.rsp", "");
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
  dir.write("SHA256Garbage.rsp", garbage);
  dir.write("SHA256Nul.rsp", "\0\0\0[L = 32]\0\n\0Len\0= 0\n"s);

  const std::vector<Tree> cases = shaCases(kavrit::test::makeSHA256Tests<SHA256>());
  ASSERT_EQ(cases.size(), 3u);
  for (const auto& failure : outcomes(cases)) EXPECT_EQ(failure, std::nullopt) << *failure;
}

TEST(HostileVectorFiles, NulInsideAValueFailsOnlyThatTestWithTheDecoderError) {
  ScratchVectorDir dir("Test/KAT_SHA");
  dir.write("SHA256ShortMsg.rsp", goodShaFile() + "Len = 16\nMsg = a\0b1\nMD = 00\n"s);
  const std::vector<Tree> cases = shaCases(kavrit::test::makeSHA256Tests<SHA256>());
  ASSERT_EQ(cases.size(), 4u);
  const auto results = outcomes(cases);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(results[i], std::nullopt);
  ASSERT_TRUE(results[3].has_value());
  EXPECT_TRUE(contains(*results[3], "hex")) << *results[3];
}

TEST(HostileVectorFiles, TenMegabyteLineIsReadAndTheRecordsAfterItStillRun) {
  ScratchVectorDir dir("Test/KAT_SHA");
  dir.write("SHA256ShortMsg.rsp", std::string(10 << 20, 'Q') + "\n" + goodShaFile());
  const std::vector<Tree> cases = shaCases(kavrit::test::makeSHA256Tests<SHA256>());
  ASSERT_EQ(cases.size(), 3u);
  for (const auto& failure : outcomes(cases)) EXPECT_EQ(failure, std::nullopt);
}

// A carriage return does not end a line: a file with CR-only line ends is one long head line and
// holds no record. It gives no test and no error; the data manifest is what notices such a file.
TEST(HostileVectorFiles, CarriageReturnOnlyLineEndsGiveOneLineWithoutRecords) {
  std::string text = goodShaFile();
  for (char& c : text) c = c == '\n' ? '\r' : c;
  const auto categories = kavrit::test::parseCategories("Len", text);
  ASSERT_EQ(categories.size(), 1u);
  EXPECT_TRUE(categories[0].records.empty());

  ScratchVectorDir dir("Test/KAT_SHA");
  dir.write("SHA256ShortMsg.rsp", text);
  EXPECT_TRUE(shaCases(kavrit::test::makeSHA256Tests<SHA256>()).empty());
}

TEST(HostileVectorDirectories, DirectoryThatIsAFileEndsTheBuildNamingIt) {
  kavrit::test::fixture::DataDir data;
  data.write("Test/KAT_SHA", goodShaFile());
  try {
    (void)kavrit::test::makeSHA256Tests<SHA256>();
    FAIL() << "a vector directory that is a file was listed";
  } catch (const fs::filesystem_error& error) {
    EXPECT_TRUE(contains(error.what(), "Test/KAT_SHA")) << error.what();
  }
}

TEST(HostileVectorDirectories, DirectoryVanishingBetweenListingAndReadingIsAnError) {
  ScratchVectorDir dir("Test/KAT_SHA");
  dir.write("SHA256ShortMsg.rsp", goodShaFile());
  const auto vanish = [&](std::string_view) {
    fs::remove_all(dir.dir());
    return true;
  };
  try {
    kavrit::test::forEachVectorFile(dir.dir().string(), "Len", vanish,
                                    [](kavrit::test::VectorFile&) {});
    FAIL() << "a file of a removed directory was read";
  } catch (const fs::filesystem_error& error) {
    EXPECT_TRUE(contains(error.what(), "SHA256ShortMsg.rsp")) << error.what();
  }
}

TEST(HostileVectorDirectories, DanglingAndLoopingLinksAreSkipped) {
  ScratchVectorDir dir("Test/KAT_SHA");
  dir.write("SHA256ShortMsg.rsp", goodShaFile());
  fs::create_symlink(dir.dir() / "nowhere", dir.dir() / "SHA256Dangling.rsp");
  fs::create_symlink(dir.dir() / "SHA256LoopB.rsp", dir.dir() / "SHA256LoopA.rsp");
  fs::create_symlink(dir.dir() / "SHA256LoopA.rsp", dir.dir() / "SHA256LoopB.rsp");
  fs::create_symlink(dir.dir() / "SHA256Self.rsp", dir.dir() / "SHA256Self.rsp");
  const std::vector<Tree> cases = shaCases(kavrit::test::makeSHA256Tests<SHA256>());
  EXPECT_EQ(cases.size(), 3u);
}

// Entries that exist but cannot be opened as files, whoever runs the tests (root included): a
// FIFO, which would block the reader until a writer comes, and a socket.
TEST(HostileVectorDirectories, EntriesThatAreNotRegularFilesEndTheBuildNamingThem) {
  for (const std::string kind : {"fifo", "socket"}) {
    ScratchVectorDir dir("Test/KAT_SHA");
    const std::string path = dir.path("SHA256ShortMsg.rsp");
    if (kind == "fifo") {
      ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    } else {
      const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
      ASSERT_GE(fd, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      ASSERT_LT(path.size(), sizeof(address.sun_path));
      path.copy(address.sun_path, path.size());
      ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
      close(fd);
    }
    try {
      (void)kavrit::test::makeSHA256Tests<SHA256>();
      ADD_FAILURE() << "a " << kind << " was read as a vector file";
    } catch (const fs::filesystem_error& error) {
      EXPECT_TRUE(contains(error.what(), "not a regular file")) << error.what();
      EXPECT_TRUE(contains(error.what(), "SHA256ShortMsg.rsp")) << error.what();
    }
  }
}

TEST(HostileVectorDirectories, FileWithoutReadPermissionEndsTheBuildNamingIt) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads any file; the FIFO and socket cases cover this";
  ScratchVectorDir dir("Test/KAT_SHA");
  dir.write("SHA256ShortMsg.rsp", goodShaFile());
  fs::permissions(dir.dir() / "SHA256ShortMsg.rsp", fs::perms::none);
  try {
    (void)kavrit::test::makeSHA256Tests<SHA256>();
    FAIL() << "an unreadable file was read";
  } catch (const fs::filesystem_error& error) {
    EXPECT_TRUE(contains(error.what(), "SHA256ShortMsg.rsp")) << error.what();
  }
}

// --- implementations under test -------------------------------------------------------------

// SHA-256 that throws on the message "abc" and drops the last digest byte for "hostile".
struct TroubledSHA256 {
  SHA256 inner;
  static constexpr long outputLength() { return 256; }
  static constexpr long blockLength() { return 512; }
  static TroubledSHA256 hashStrict(const ByteString& m) {
    if (m == bytesOf("abc")) throw std::runtime_error("digest engine exploded");
    return {SHA256::hashStrict(m), m == bytesOf("hostile")};
  }
  static TroubledSHA256 hash(const LazyByteString& m) { return hashStrict(m.flatten()); }
  [[nodiscard]] ByteString serialize() const {
    ByteString bytes = inner.serialize();
    if (shortened) bytes.pop_back();
    return bytes;
  }
  static std::optional<TroubledSHA256> parse(const ByteString& bytes) {
    if (auto digest = SHA256::parse(bytes)) return TroubledSHA256{*digest};
    return std::nullopt;
  }
  friend bool operator==(const TroubledSHA256& a, const TroubledSHA256& b) {
    return a.serialize() == b.serialize();
  }
  bool shortened = false;
};

TEST(HostileImplementations, HashThatThrowsOrShortensFailsOnlyItsOwnTests) {
  ScratchVectorDir dir("Test/KAT_SHA");
  dir.write("SHA256ShortMsg.rsp", goodShaFile());
  const auto results = outcomes(shaCases(kavrit::test::makeSHA256Tests<TroubledSHA256>()));
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0], std::nullopt);
  ASSERT_TRUE(results[1].has_value());
  EXPECT_TRUE(contains(*results[1], "digest engine exploded")) << *results[1];
  ASSERT_TRUE(results[2].has_value());
  EXPECT_TRUE(contains(*results[2], "lengths differ: 31 vs 32")) << *results[2];
}

// SHA-256 whose chunked entry point throws on every input.
struct LazyThrowsSHA256 : TroubledSHA256 {
  static LazyThrowsSHA256 hashStrict(const ByteString& m) { return {SHA256::hashStrict(m)}; }
  static LazyThrowsSHA256 hash(const LazyByteString&) {
    throw std::runtime_error("lazy path not implemented");
  }
  static std::optional<LazyThrowsSHA256> parse(const ByteString& bytes) {
    if (auto digest = SHA256::parse(bytes)) return LazyThrowsSHA256{*digest};
    return std::nullopt;
  }
};

TEST(HostileImplementations, HashThrowingInsideAPropertyFailsOnlyThePropertiesThatCallIt) {
  const Tree group = kavrit::test::makeHashPropTests<LazyThrowsSHA256>();
  std::vector<std::string> failing;
  for (const Tree& property : group.children()) {
    const auto result = property.check("hostile/" + property.name());
    if (result.passed()) continue;
    failing.push_back(property.name());
    EXPECT_TRUE(contains(result.report, "lazy path not implemented")) << result.report;
  }
  EXPECT_EQ(failing, (std::vector<std::string>{"LazyStrictEqual", "DigestLen"}));
}

// AES-128 that throws from buildKey for one key, from encryptBlock for one plaintext, and returns
// a block short for another.
constexpr unsigned char kPoisonKey = 0xEE;
constexpr unsigned char kThrowingBlock = 0x01;
constexpr unsigned char kShortBlock = 0x02;

class TroubledAES128 {
 public:
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }
  static std::optional<TroubledAES128> buildKey(const ByteString& key) {
    if (!key.empty() && key[0] == kPoisonKey) throw std::runtime_error("key schedule exploded");
    auto inner = AES128::buildKey(key);
    if (!inner) return std::nullopt;
    return TroubledAES128(*inner);
  }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const {
    if (!in.empty() && in[0] == kThrowingBlock) throw std::runtime_error("encryptBlock exploded");
    ByteString out = inner_.encryptBlock(in);
    if (!in.empty() && in[0] == kShortBlock) out.pop_back();
    return out;
  }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const {
    return inner_.decryptBlock(in);
  }

 private:
  explicit TroubledAES128(AES128 inner) : inner_(std::move(inner)) {}
  AES128 inner_;
};

std::string aesRecord(int count, unsigned char keyByte, unsigned char plainByte) {
  const ByteString key(16, keyByte == kPoisonKey ? 0 : keyByte);
  ByteString fileKey = key;
  fileKey[0] = keyByte;
  const ByteString plaintext(16, plainByte);
  const ByteString ciphertext = AES128::buildKey(key)->encryptBlock(plaintext);
  return "COUNT = " + std::to_string(count) + "\nKEY = " + kavrit::toHex(fileKey) +
         "\nPLAINTEXT = " + kavrit::toHex(plaintext) +
         "\nCIPHERTEXT = " + kavrit::toHex(ciphertext) + "\n\n";
}

TEST(HostileImplementations, CipherThatThrowsOrShortensFailsOnlyItsOwnTests) {
  ScratchVectorDir dir("Test/KAT_AES");
  dir.write("ECBVarTxt128e.rsp", "[ENCRYPT]\n\n" + aesRecord(0, 0x10, 0x00) +
                                     aesRecord(1, kPoisonKey, 0x00) +
                                     aesRecord(2, 0x10, kThrowingBlock) +
                                     aesRecord(3, 0x10, kShortBlock) + aesRecord(4, 0x10, 0x03));
  std::vector<Tree> cases;
  for (const Tree& t : kavrit::test::makeAESTests<TroubledAES128>()) {
    if (t.kind() == Tree::Kind::Case) cases.push_back(t);
  }
  ASSERT_EQ(
      caseNames(cases),
      (std::vector<std::string>{"ECBVarTxt128e.rsp-0", "ECBVarTxt128e.rsp-1", "ECBVarTxt128e.rsp-2",
                                "ECBVarTxt128e.rsp-3", "ECBVarTxt128e.rsp-4"}));
  const auto results = outcomes(cases);
  EXPECT_EQ(results[0], std::nullopt);
  ASSERT_TRUE(results[1].has_value());
  EXPECT_TRUE(contains(*results[1], "key schedule exploded")) << *results[1];
  EXPECT_TRUE(contains(*results[1], "buildKey")) << *results[1];
  EXPECT_TRUE(contains(*results[1], "ECBVarTxt128e.rsp")) << *results[1];
  ASSERT_TRUE(results[2].has_value());
  EXPECT_TRUE(contains(*results[2], "encryptBlock exploded")) << *results[2];
  ASSERT_TRUE(results[3].has_value());
  EXPECT_TRUE(contains(*results[3], "lengths differ: 15 vs 16")) << *results[3];
  EXPECT_EQ(results[4], std::nullopt);
}

TEST(HostileImplementations, KeyScheduleThrowingFailsOnlyItsOwnCtrTest) {
  const ByteString key(16, 0x10), iv(16, 0xF0), plaintext(32, 0x5A);
  const ByteString ciphertext =
      kavrit::ctr(*AES128::buildKey(key), *kavrit::IV<AES128>::parse(iv), plaintext).first;
  ByteString poisoned = key;
  poisoned[0] = kPoisonKey;
  const auto record = [&](int count, const ByteString& k) {
    return "COUNT = " + std::to_string(count) + "\nKEY = " + kavrit::toHex(k) +
           "\nIV = " + kavrit::toHex(iv) + "\nPLAINTEXT = " + kavrit::toHex(plaintext) +
           "\nCIPHERTEXT = " + kavrit::toHex(ciphertext) + "\n\n";
  };
  ScratchVectorDir dir("Test/KAT_AES_CTR");
  dir.write("CTRHostilee.rsp", "[ENCRYPT]\n\n" + record(0, poisoned) + record(1, key));
  const auto results = outcomes(kavrit::test::makeAESCTRTests<TroubledAES128>());
  ASSERT_EQ(results.size(), 2u);
  ASSERT_TRUE(results[0].has_value());
  EXPECT_TRUE(contains(*results[0], "key schedule exploded")) << *results[0];
  EXPECT_TRUE(contains(*results[0], "CTRHostilee.rsp")) << *results[0];
  EXPECT_EQ(results[1], std::nullopt) << *results[1];
}

TEST(HostileImplementations, CipherShorteningInAChainedModeGetsALengthError) {
  const auto key = TroubledAES128::buildKey(ByteString(16, 0));
  const auto iv = kavrit::IV<TroubledAES128>::parse(ByteString(16, kShortBlock));
  try {
    (void)kavrit::ofb(*key, *iv, ByteString(32, 0));
    FAIL() << "a short block was used";
  } catch (const std::exception& error) {
    EXPECT_TRUE(contains(error.what(), "encryptBlock returned 15")) << error.what();
  }
}

}  // namespace
