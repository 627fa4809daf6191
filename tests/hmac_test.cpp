#include "kavrit/test/hmac.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/vector_files.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "kat_fixture.hpp"
#include "kavrit/test/paths.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::test {
namespace {

// In a TEST body "Test" is GoogleTest's fixture class.
using Tree = kavrit::test::Test;
using examples::SHA1;
using examples::SHA384;
using fixture::failureOf;
using fixture::failures;

// An HMAC that cuts a key longer than a block of Inner down to the block instead of hashing it.
template <class Inner>
struct CutsLongKeys {
  static const LazyByteString& lazy(const LazyByteString& message) { return message; }
  static ByteString key(const ByteString& k) { return takeBytes(k, Inner::blockLength() / 8); }
};

// A stream that loses the last chunk; generic HMAC passes it the key block and the message.
struct DropsLastChunk {
  static LazyByteString lazy(const LazyByteString& message) {
    std::vector<ByteString> chunks = message.chunks();
    if (!chunks.empty()) chunks.pop_back();
    return LazyByteString(chunks);
  }
};

std::string record(const std::string& count, const std::string& tlen, const ByteString& mac) {
  return "Count = " + count + "\nTlen = " + tlen + "\nKey = 0102\nMsg = 6162\nMac = " + toHex(mac) +
         "\n\n";
}

template <class D>
ByteString macOf() {
  return hmacStrict(MacKey<D>(ByteString{1, 2}), ByteString{0x61, 0x62}).serialize();
}

TEST(HMACTests, CategoryIsChosenByItsFirstLText) {
  fixture::DataDir dir;
  const std::string sha1 = record("0", "20", macOf<SHA1>());
  dir.write("Test/KAT_HMAC/HMAC.rsp", "[L=20]\n" + sha1 + "Count = 1\nTlen = 20\nKey = 01\n\n" +
                                          "[L=020]\n" + sha1 + "[L = 32]\n[L=20]\n" +
                                          record("2", "32", macOf<examples::SHA256>()) +
                                          "[Klen=2]\n" + sha1);
  const std::vector<Tree> tests = makeSHA1HMACTests<SHA1>();
  EXPECT_EQ(fixture::caseNames(tests), std::vector<std::string>{"NistHMACSHA1-\"0\""});
  const std::vector<Tree> sha256 = makeSHA256HMACTests(examples::SHA256::hashStrict({}));
  EXPECT_EQ(fixture::caseNames(sha256), std::vector<std::string>{"NistHMACSHA256-\"2\""});
  EXPECT_EQ(failures(tests).at(0), std::nullopt);
  EXPECT_EQ(failures(sha256).at(0), std::nullopt);
  try {
    detail::hmac::algToLen("sha1");
    ADD_FAILURE() << "no error";
  } catch (const std::logic_error& e) {
    EXPECT_NE(std::string(e.what()).find("Test/HMAC:(78,1)-(82,24)|function algToLen"),
              std::string::npos);
  }
}

TEST(HMACTests, TlenCutsTheComparedBytesAndCountIsQuoted) {
  fixture::DataDir dir;
  const ByteString mac = macOf<SHA1>();
  const ByteString cut(mac.begin(), mac.begin() + 10);
  const ByteString longer(mac.begin(), mac.begin() + 11);
  dir.write("Test/KAT_HMAC/HMAC.rsp", "[L=20]\n" + record("a\"b", "10", cut) +
                                          record("2", "10", longer) + record("3", "0", {}) +
                                          record("4", "0", {mac[0]}));
  const std::vector<Tree> tests = makeSHA1HMACTests<SHA1>();
  ASSERT_EQ(tests.size(), 4u);
  EXPECT_EQ(tests[0].name(), "NistHMACSHA1-\"a\\\"b\"");
  const auto results = failures(tests);
  EXPECT_EQ(results[0], std::nullopt);
  EXPECT_NE(results[1], std::nullopt);
  EXPECT_EQ(results[2], std::nullopt);
  ASSERT_TRUE(results[3].has_value());
  EXPECT_TRUE(results[3]->starts_with("NistHMACSHA1-\"4\": hmacStrict and hmac (37-byte chunks)"))
      << *results[3];
  EXPECT_NE(results[3]->find(": the vector:\n  [L = 20]\n  Count = 4\n  Tlen = 0\n"),
            std::string::npos)
      << *results[3];
}

// Whether each installed vector of the L = `length` category has a key longer than a block of D,
// by test name (its Count, quoted).
template <class D>
std::map<std::string, bool> longKeys(const std::string& length) {
  std::map<std::string, bool> out;
  for (const VectorFile& file : readVectorFiles(getDataFileName("Test/KAT_HMAC"), "Count")) {
    for (const KatCategory& category : file.categories) {
      if (*lookupField(category.properties, "L") != length) continue;
      for (const KatRecord& r : category.records) {
        out[quoteText(*lookupField(r, "Count"))] =
            readInteger("Klen", *lookupField(r, "Klen")) > D::blockLength() / 8;
      }
    }
  }
  return out;
}

template <class D>
void expectOnlyLongKeysFail(const std::string& algorithm, const std::string& length) {
  const std::map<std::string, bool> longKey = longKeys<D>(length);
  const auto tests = detail::hmac::getTests<fixture::Rewired<D, CutsLongKeys<D>>>(algorithm);
  ASSERT_EQ(tests.size(), longKey.size());
  std::size_t failed = 0;
  for (const Tree& t : tests) {
    const bool fails = failureOf(t).has_value();
    failed += fails ? 1 : 0;
    EXPECT_EQ(fails, longKey.at(t.name().substr(t.name().find('-') + 1))) << t.name();
  }
  EXPECT_EQ(failed, 120u);
}

TEST(HMACTests, InstalledVectorsPassOnOpenSSLAndCatchFaultyHMACs) {
  fixture::DataDir installed(false);
  const std::vector<Tree> sha1 = makeSHA1HMACTests<SHA1>();
  ASSERT_EQ(sha1.size(), 300u);
  EXPECT_EQ(sha1[0].name(), "NistHMACSHA1-\"0\"");
  for (const auto& failure : failures(sha1)) EXPECT_EQ(failure, std::nullopt);
  EXPECT_EQ(makeSHA224HMACTests<examples::SHA224>().size(), 375u);
  EXPECT_EQ(makeSHA256HMACTests<examples::SHA256>().size(), 225u);
  EXPECT_EQ(makeSHA384HMACTests<SHA384>().size(), 300u);
  EXPECT_EQ(makeSHA512HMACTests<examples::SHA512>().size(), 375u);

  expectOnlyLongKeysFail<SHA1>("SHA1", "20");      // keys of 70 and 80 bytes
  expectOnlyLongKeysFail<SHA384>("SHA384", "48");  // keys of 130 and 145 bytes, not 128
  // Only the lazy path goes wrong, so the second value of every pair differs.
  for (const auto& failure :
       failures(makeSHA1HMACTests<fixture::Rewired<SHA1, DropsLastChunk>>())) {
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("\nsecond value: "), std::string::npos) << *failure;
  }
}

}  // namespace
}  // namespace kavrit::test
