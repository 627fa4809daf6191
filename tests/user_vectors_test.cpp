// The builders over a user's own vector files, and the edge known answers, on the vector core.

#include "kavrit/test/user_vectors.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kat_fixture.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/padding_edges.hpp"
#include "kavrit/test/paths.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_camellia.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::test {
namespace {

using fixture::caseNames;
using fixture::failureOf;
using Tree = kavrit::test::Test;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string camelliaFile(const std::string& name) {
  return getDataFileName("Test/KAT_CAMELLIA/" + name);
}

// Camellia whose encryption of one block is wrong in one bit.
template <class Inner>
struct OneBitOffCamellia {
  Inner inner;
  static constexpr long blockSize() { return Inner::blockSize(); }
  static constexpr long keyLength() { return Inner::keyLength(); }
  static std::optional<OneBitOffCamellia> buildKey(const ByteString& key) {
    if (auto built = Inner::buildKey(key)) return OneBitOffCamellia{*built};
    return std::nullopt;
  }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const {
    ByteString out = inner.encryptBlock(in);
    out.back() ^= 0x01;
    return out;
  }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const {
    return inner.decryptBlock(in);
  }
};

TEST(UserVectorFiles, TheCamelliaFilesPassOnOpenSSLForEveryKeySizeAndFailWhenOneBitIsOff) {
  const std::vector<std::pair<std::string, BlockMode>> files = {
      {"CBCCamellia-e.rsp", BlockMode::CBC},
      {"CFB128Camellia-e.rsp", BlockMode::CFB},
      {"OFBCamellia-e.rsp", BlockMode::OFB}};
  for (const auto& [file, mode] : files) {
    // Each file holds four vectors per key size; the others are for another key size.
    const std::vector<Tree> tests128 =
        makeBlockCipherKATTests<examples::Camellia128>(camelliaFile(file), mode);
    EXPECT_EQ(caseNames(tests128),
              (std::vector<std::string>{file + "-ENCRYPT-0", file + "-ENCRYPT-1",
                                        file + "-ENCRYPT-2", file + "-ENCRYPT-3"}));
    EXPECT_EQ(caseNames(tests128, true), std::vector<std::string>{}) << file;
    EXPECT_EQ(
        caseNames(makeBlockCipherKATTests<examples::Camellia256>(camelliaFile(file), mode), true),
        std::vector<std::string>{})
        << file;
    const std::vector<Tree> broken =
        makeBlockCipherKATTests<OneBitOffCamellia<examples::Camellia192>>(camelliaFile(file), mode);
    EXPECT_EQ(caseNames(broken, true).size(), 4u) << file;
  }
  // The report names the vector's place and shows its inputs.
  const std::vector<Tree> broken =
      makeBlockCipherKATTests<OneBitOffCamellia<examples::Camellia128>>(
          camelliaFile("CBCCamellia-e.rsp"), BlockMode::CBC);
  const std::string report = failureOf(broken.at(0)).value_or("");
  EXPECT_TRUE(
      report.starts_with("CBCCamellia-e.rsp-ENCRYPT-0: cbc of the PLAINTEXT differs from "
                         "the CIPHERTEXT\n" +
                         camelliaFile("CBCCamellia-e.rsp") + ":"))
      << report;
  EXPECT_TRUE(contains(report, "  KEY = 2B7E151628AED2A6ABF7158809CF4F3C\n  IV = ")) << report;
  EXPECT_TRUE(contains(report, "first difference at byte 15")) << report;
  // A directory takes every file in it, in name order.
  EXPECT_EQ(makeBlockCipherKATTests<examples::Camellia128>(getDataFileName("Test/KAT_CAMELLIA"),
                                                           BlockMode::CBC)
                .size(),
            12u);
}

TEST(UserVectorFiles, AMalformedRecordFailsAtItsLineInsteadOfBeingDropped) {
  fixture::DataDir dir;
  const std::string key(32, '0');
  const std::string block(32, '1');
  dir.write("mine.txt",
            "[ENCRYPT]\n"
            "COUNT = 0\nKEY = " +
                key + "\nPLAINTEXT = " + block + "\nCIPHERTEXT = " + block +
                "\n\n"  // lines 2-5: no IV
                "COUNT = 1\nKEY = " +
                key + "\nIV = 0g\nPLAINTEXT = " + block + "\nCIPHERTEXT = " + block +
                "\n\n"  // lines 7-11: IV not hex
                "COUNT = 2\nKEY = 00\nIV = " +
                block +
                "\nPLAINTEXT = 00\nCIPHERTEXT = 00\n\n"
                "[KEYSIZE = 128]\n"  // a category without a direction
                "COUNT = 3\nKEY = " +
                key + "\nIV = " + block + "\nPLAINTEXT = " + block + "\nCIPHERTEXT = " + block +
                "\n");
  const std::string path = (dir.root() / "mine.txt").string();
  const std::vector<Tree> tests = makeBlockCipherKATTests<examples::AES128>(path, BlockMode::CBC);
  // COUNT = 2 has a 1-byte KEY: a vector for another key size.
  ASSERT_EQ(caseNames(tests),
            (std::vector<std::string>{"mine.txt-ENCRYPT-0", "mine.txt-ENCRYPT-1", "mine.txt-?-3"}));
  EXPECT_EQ(failureOf(tests[0]).value_or(""),
            path + ":2: mine.txt-ENCRYPT-0: the record has no IV field");
  EXPECT_TRUE(
      failureOf(tests[1]).value_or("").starts_with(path + ":7: mine.txt-ENCRYPT-1: field IV: "));
  EXPECT_EQ(failureOf(tests[2]).value_or(""),
            path + ":20: mine.txt-?-3: no [ENCRYPT] or [DECRYPT] head line above this record");
  EXPECT_EQ(tests[1].location()->line, 7);
}

TEST(UserVectorFiles, HashFilesRunStrictAndChunkedAndCountTheirRecords) {
  const std::string file = getDataFileName("Test/KAT_SHA/SHA256ShortMsg.rsp");
  const std::vector<Tree> tests = makeHashKATTests<examples::SHA256>(file);
  EXPECT_EQ(tests.size(), 65u);
  EXPECT_EQ(tests.front().name(), "SHA256ShortMsg.rsp-1");
  EXPECT_EQ(caseNames(tests, true), std::vector<std::string>{});
  // The same file against another hash fails every vector.
  EXPECT_EQ(caseNames(makeHashKATTests<examples::SHA224>(file), true).size(), 65u);
}

TEST(EdgeKnownAnswers, CTRCarryEdgesAndHashPaddingEdgesPassOnOpenSSL) {
  const std::vector<Tree> ctr = makeAESCTREdgeTests<examples::AES128>();
  EXPECT_EQ(ctr.size(), 18u);
  EXPECT_EQ(caseNames(ctr, true), std::vector<std::string>{});
  const std::vector<Tree> sha256 = makeSHA256PaddingEdgeTests<examples::SHA256>();
  EXPECT_EQ(sha256.size(), 233u);
  EXPECT_EQ(sha256.at(56).name(), "SHA256Edges-56");
  EXPECT_EQ(caseNames(sha256, true), std::vector<std::string>{});
  EXPECT_EQ(makeSHA512PaddingEdgeTests<examples::SHA512>().size(), 422u);
}

// SHA-256 that is wrong for messages of 55 mod 64 bytes, the last length whose padding fits in
// the same block.
struct WrongAt55 {
  static LazyByteString lazy(const LazyByteString& m) {
    ByteString flat = m.flatten();
    if (flat.size() % 64 == 55) flat.push_back(0);
    return LazyByteString(std::vector<ByteString>{flat});
  }
};

TEST(EdgeKnownAnswers, APaddingFaultFailsExactlyItsLengths) {
  using Faulty = fixture::Rewired<examples::SHA256, WrongAt55>;
  const std::vector<std::string> failing = caseNames(makeSHA256PaddingEdgeTests<Faulty>(), true);
  EXPECT_EQ(failing,
            (std::vector<std::string>{"SHA256Edges-55", "SHA256Edges-119", "SHA256Edges-183"}));
}

}  // namespace
}  // namespace kavrit::test
