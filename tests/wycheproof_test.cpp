// The Wycheproof builders: green on two implementations of each cipher and hash, every invalid
// test failed by an implementation that accepts everything, every valid one by a one-bit fault,
// and malformed files refused with the file, line, tcId and field.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "botan_block_ciphers.hpp"
#include "kat_fixture.hpp"
#include "kavrit/block_cipher.hpp"
#include "kavrit/cbc_pad.hpp"
#include "kavrit/test/wycheproof.hpp"
#include "nettle/nettle_camellia.hpp"
#include "nettle/nettle_reference.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_camellia.hpp"
#include "openssl/openssl_digest.hpp"
#include "openssl/openssl_kdf.hpp"
#include "openssl/openssl_seed.hpp"
#include "openssl/openssl_sm4.hpp"
#include "openssl/openssl_xts.hpp"
#include "vectors/wycheproof_file.hpp"

namespace kavrit::test {
namespace {

using fixture::DataDir;
// Inside a TEST, Test is GoogleTest's class.
using Tree = Test;

struct Outcomes {
  std::size_t passed = 0;
  std::vector<std::string> failed;  // names
  std::map<std::string, std::string> reports;
};

// Runs every unit case of the trees, leaving out the groups named "Slow".
void runAll(const std::vector<Test>& trees, Outcomes& out) {
  for (const Test& tree : trees) {
    if (tree.kind() == Test::Kind::Group) {
      if (tree.name() != "Slow") runAll(tree.children(), out);
    } else if (tree.kind() == Test::Kind::Case) {
      if (const std::optional<std::string> failure = fixture::failureOf(tree)) {
        out.failed.push_back(tree.name());
        out.reports[tree.name()] = *failure;
      } else {
        ++out.passed;
      }
    }
  }
}

Outcomes runAll(const std::vector<Test>& trees) {
  Outcomes out;
  runAll(trees, out);
  return out;
}

std::size_t total(const Outcomes& o) { return o.passed + o.failed.size(); }

std::string firstFailure(const Outcomes& o) {
  return o.failed.empty() ? std::string() : o.reports.at(o.failed.front());
}

// Tests per key size taken from each file, as valid/invalid/acceptable: the groups of the key
// size and, for CMAC, the five groups of key sizes no cipher has (there buildKey must refuse).
struct Counts {
  std::size_t valid, invalid, acceptable;
  [[nodiscard]] std::size_t all() const { return valid + invalid + acceptable; }
};
const std::map<std::string, std::map<long, Counts>> kAESCounts = {
    {"GCM", {{128, {79, 29, 0}}, {192, {74, 29, 0}}, {256, {76, 29, 0}}}},
    {"GMAC", {{128, {30, 108, 0}}, {192, {30, 108, 0}}, {256, {30, 108, 0}}}},
    {"CCM", {{128, {135, 49, 0}}, {192, {135, 49, 0}}, {256, {135, 49, 0}}}},
    {"CMAC", {{128, {21, 86, 0}}, {192, {21, 86, 0}}, {256, {21, 86, 0}}}},
    {"KW", {{128, {11, 30, 1}}, {192, {12, 42, 1}}, {256, {13, 54, 1}}}},
    {"KWP", {{128, {25, 50, 0}}, {192, {27, 58, 0}}, {256, {25, 69, 0}}}},
    {"XTS", {{128, {41, 0, 0}}, {192, {41, 0, 0}}, {256, {41, 0, 0}}}},
    {"CBCPad", {{128, {24, 48, 0}}, {192, {24, 48, 0}}, {256, {24, 48, 0}}}},
};

template <class K>
std::map<std::string, std::vector<Test>> aesBuilders() {
  return {
      {"GCM", makeWycheproofGCMTests<K>()},    {"GMAC", makeWycheproofGMACTests<K>()},
      {"CCM", makeWycheproofCCMTests<K>()},    {"CMAC", makeWycheproofCMACTests<K>()},
      {"KW", makeWycheproofKeyWrapTests<K>()}, {"KWP", makeWycheproofKeyWrapPadTests<K>()},
      {"XTS", makeWycheproofXTSTests<K>()},    {"CBCPad", makeWycheproofCBCPadTests<K>()},
  };
}

template <class K>
void expectAllAESGreen() {
  std::size_t all = 0;
  for (const auto& [name, trees] : aesBuilders<K>()) {
    const Outcomes o = runAll(trees);
    const Counts expected = kAESCounts.at(name).at(K::keyLength());
    EXPECT_EQ(total(o), expected.all()) << name;
    EXPECT_TRUE(o.failed.empty()) << name << ": " << o.failed.size() << " failed\n"
                                  << firstFailure(o);
    all += total(o);
  }
  EXPECT_EQ(countLeaves(makeWycheproofBlockCipherTests<K>()), all);
}

TEST(WycheproofTests, OpenSSLAESPassesEveryFileOfItsKeySize) {
  expectAllAESGreen<examples::AES128>();
  expectAllAESGreen<examples::AES192>();
  expectAllAESGreen<examples::AES256>();
}

TEST(WycheproofTests, NettleAESPassesEveryFileOfItsKeySize) {
  expectAllAESGreen<examples::NettleAES128>();
  expectAllAESGreen<examples::NettleAES256>();
}

TEST(WycheproofTests, OpenSSLsOwnXTSPassesThroughItsHooks) {
  const Outcomes o128 = runAll(makeWycheproofXTSTests<examples::XTSAES128>());
  const Outcomes o256 = runAll(makeWycheproofXTSTests<examples::XTSAES256>());
  EXPECT_EQ(total(o128), 41u);
  EXPECT_EQ(total(o256), 41u);
  EXPECT_TRUE(o128.failed.empty()) << firstFailure(o128);
  EXPECT_TRUE(o256.failed.empty()) << firstFailure(o256);
}

template <class K>
void expectCamelliaGreen() {
  const std::vector<Tree> trees = makeWycheproofBlockCipherTests<K>(WycheproofCipher::Camellia);
  const Outcomes o = runAll(trees);
  // CBC with padding 72, CCM 184, CMAC 107, and KW of the key size.
  const std::map<long, std::size_t> wrap = {{128, 41}, {192, 53}, {256, 65}};
  EXPECT_EQ(total(o), 72 + 184 + 107 + wrap.at(K::keyLength()));
  EXPECT_TRUE(o.failed.empty()) << o.failed.size() << " failed\n" << firstFailure(o);
}

TEST(WycheproofTests, CamelliaPassesOnOpenSSLAndNettle) {
  expectCamelliaGreen<examples::Camellia128>();
  expectCamelliaGreen<examples::Camellia256>();
  expectCamelliaGreen<examples::NettleCamellia128>();
  expectCamelliaGreen<examples::NettleCamellia192>();
}

// SEED and SM4: GCM 104 and CCM 184 each, and SEED's key wrap 35.
template <class K>
void expectGreen(WycheproofCipher family, std::size_t tests) {
  const Outcomes o = runAll(makeWycheproofBlockCipherTests<K>(family));
  EXPECT_EQ(total(o), tests);
  EXPECT_TRUE(o.failed.empty()) << o.failed.size() << " failed\n" << firstFailure(o);
}

TEST(WycheproofTests, SEEDAndSM4PassOnOpenSSLAndBotan) {
  expectGreen<examples::OpenSSLSM4>(WycheproofCipher::SM4, 104 + 184);
  expectGreen<BotanSM4>(WycheproofCipher::SM4, 104 + 184);
  expectGreen<examples::OpenSSLSEED>(WycheproofCipher::SEED, 104 + 184 + 35);
  expectGreen<BotanSEED>(WycheproofCipher::SEED, 104 + 184 + 35);
}

TEST(WycheproofTests, NoFileMeansNoTests) {
  // Wycheproof publishes no SM4 key wrap, no Camellia GCM; 64-bit blocks have no GCM at all.
  EXPECT_TRUE(makeWycheproofKeyWrapTests<examples::AES128>(WycheproofCipher::SM4).empty());
  EXPECT_TRUE(makeWycheproofGCMTests<examples::Camellia128>(WycheproofCipher::Camellia).empty());
  EXPECT_TRUE(makeWycheproofHKDFTests<examples::SHA224>().empty());
  EXPECT_TRUE(makeWycheproofHashTests<examples::MD5>().empty());
}

// Hashes: every file of the hash green, counted, the Slow group apart.
template <class D>
void expectHashGreen(std::size_t hmac, std::size_t hkdf, std::size_t pbkdf2) {
  const Outcomes oh = runAll(makeWycheproofHMACTests<D>());
  const Outcomes ok = runAll(makeWycheproofHKDFTests<D>());
  const Outcomes op = runAll(makeWycheproofPBKDF2Tests<D>());
  EXPECT_EQ(total(oh), hmac);
  EXPECT_EQ(total(ok), hkdf);
  EXPECT_EQ(total(op), pbkdf2);
  for (const Outcomes* o : {&oh, &ok, &op}) {
    EXPECT_TRUE(o->failed.empty()) << o->failed.size() << " failed\n" << firstFailure(*o);
  }
}

TEST(WycheproofTests, OpenSSLHashesPassHMACHKDFAndPBKDF2) {
  expectHashGreen<examples::SHA1>(170, 87, 63);  // and one test of 2^24 iterations in "Slow"
  expectHashGreen<examples::SHA224>(172, 0, 58);
  expectHashGreen<examples::SHA256>(174, 86, 60);
  expectHashGreen<examples::SHA384>(174, 83, 58);
  expectHashGreen<examples::SHA512>(174, 83, 58);
  expectHashGreen<examples::SHA512_224>(173, 0, 0);
  expectHashGreen<examples::SHA512_256>(175, 0, 0);
  expectHashGreen<examples::SHA3_224>(172, 0, 0);
  expectHashGreen<examples::SHA3_256>(174, 0, 0);
  expectHashGreen<examples::SHA3_384>(174, 0, 0);
  expectHashGreen<examples::SHA3_512>(174, 0, 0);
}

TEST(WycheproofTests, NettleHashesAndOpenSSLsOwnKDFsPass) {
  expectHashGreen<examples::NettleSHA256>(174, 86, 60);
  expectHashGreen<examples::NettleSHA512_256>(175, 0, 0);
  expectHashGreen<examples::NettleSHA3_256>(174, 0, 0);
  expectHashGreen<examples::NettleSHA3_512>(174, 0, 0);
  expectHashGreen<examples::OpenSSLKDFSHA256>(174, 86, 60);
}

TEST(WycheproofTests, PBKDF2sMillionsOfIterationsGoToTheSlowGroup) {
  const std::vector<Tree> trees = makeWycheproofPBKDF2Tests<examples::SHA1>();
  ASSERT_FALSE(trees.empty());
  EXPECT_EQ(trees.back().name(), "Slow");
  ASSERT_EQ(trees.back().children().size(), 1u);
  EXPECT_EQ(trees.back().children()[0].name(),
            "pbkdf2_hmacsha1_test.json-tc4-Rfc6070-LargeIterationCount-Printable");
}

// Accepts every input: buildKey takes a key of any length, and every decryption and unwrap that
// kavrit's construction would refuse gives its input back instead.
template <long Bits>
struct AcceptsEverything {
  examples::OpenSSLAES<Bits> inner;
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return Bits; }
  static std::optional<AcceptsEverything> buildKey(ByteString key) {
    key.resize(Bits / 8);
    return AcceptsEverything{*examples::OpenSSLAES<Bits>::buildKey(key)};
  }
  ByteString encryptBlock(const ByteString& in) const { return inner.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return inner.decryptBlock(in); }

  template <class F>
  static std::optional<ByteString> orInput(F open, const ByteString& input) {
    try {
      if (std::optional<ByteString> out = open()) return out;
    } catch (const std::invalid_argument&) {
    }
    return input;
  }
  std::optional<ByteString> gcmDecrypt(const ByteString& iv, const ByteString& aad,
                                       const ByteString& ct, const ByteString& tag) const {
    return orInput([&] { return kavrit::gcmDecrypt(inner, iv, aad, ct, tag); }, ct);
  }
  std::optional<ByteString> gcmDecryptLazy(const ByteString& iv, const LazyByteString& aad,
                                           const LazyByteString& ct, const ByteString& tag) const {
    return orInput([&] { return kavrit::gcmDecryptLazy(inner, iv, aad, ct, tag); }, ct.flatten());
  }
  std::optional<ByteString> ccmDecrypt(const ByteString& nonce, const ByteString& aad,
                                       const ByteString& ct, const ByteString& tag) const {
    return orInput([&] { return kavrit::ccmDecrypt(inner, nonce, aad, ct, tag); }, ct);
  }
  std::optional<ByteString> keyUnwrap(const ByteString& in) const {
    return orInput([&] { return kavrit::keyUnwrap(inner, in); }, in);
  }
  std::optional<ByteString> keyUnwrapPad(const ByteString& in) const {
    return orInput([&] { return kavrit::keyUnwrapPad(inner, in); }, in);
  }
  std::optional<ByteString> unCbcPad(const IV<AcceptsEverything>& iv, const ByteString& in) const {
    const auto innerIV = *IV<examples::OpenSSLAES<Bits>>::parse(iv.bytes());
    return orInput([&] { return kavrit::unCbcPad(inner, innerIV, in); }, in);
  }
  std::optional<ByteString> unCbcPadLazy(const IV<AcceptsEverything>& iv,
                                         const LazyByteString& in) const {
    const auto innerIV = *IV<examples::OpenSSLAES<Bits>>::parse(iv.bytes());
    return orInput([&] { return kavrit::unCbcPadLazy(inner, innerIV, in); }, in.flatten());
  }
};

// Every refusal test of the files with a refusing entry point fails, and nothing else does.
template <long Bits>
void expectAcceptorFailsEveryInvalidTest() {
  const auto builders = aesBuilders<AcceptsEverything<Bits>>();
  for (const std::string name : {"GCM", "GMAC", "CCM", "KW", "KWP", "CBCPad"}) {
    const Outcomes o = runAll(builders.at(name));
    const Counts expected = kAESCounts.at(name).at(Bits);
    EXPECT_EQ(total(o), expected.all()) << name;
    // KW's acceptable test (wrapping 8 bytes) fails too: what the acceptor's unwrap gives is not
    // the wrapped key.
    EXPECT_EQ(o.failed.size(), expected.invalid + expected.acceptable) << name << " " << Bits;
  }
  // CMAC's only refusals are keys of sizes no AES has: a buildKey that takes them fails there.
  EXPECT_EQ(runAll(builders.at("CMAC")).failed.size(), 5u);
}

TEST(WycheproofTests, AnImplementationThatAcceptsEverythingFailsEveryInvalidTest) {
  expectAcceptorFailsEveryInvalidTest<128>();
  expectAcceptorFailsEveryInvalidTest<192>();
  expectAcceptorFailsEveryInvalidTest<256>();
}

// One bit of every block flipped, consistently in both directions.
template <long Bits>
struct FlippedBit {
  examples::OpenSSLAES<Bits> inner;
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return Bits; }
  static std::optional<FlippedBit> buildKey(const ByteString& key) {
    if (auto k = examples::OpenSSLAES<Bits>::buildKey(key)) return FlippedBit{*k};
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const {
    ByteString out = inner.encryptBlock(in);
    out[5] ^= 0x04;
    return out;
  }
  ByteString decryptBlock(ByteString in) const {
    in[5] ^= 0x04;
    return inner.decryptBlock(in);
  }
};

TEST(WycheproofTests, AOneBitFaultFailsEveryValidTest) {
  const auto builders = aesBuilders<FlippedBit<128>>();
  for (const auto& [name, trees] : builders) {
    const Outcomes o = runAll(trees);
    // Except CCM's 14 with no AAD and no text: the tag is then E(B0) XOR E(Ctr0), where a fault
    // the same in both blocks cancels out.
    EXPECT_EQ(o.failed.size(), kAESCounts.at(name).at(128).valid - (name == "CCM" ? 14 : 0))
        << name;
  }
}

// A digest type whose digests have one bit flipped.
template <class Inner>
struct FlippedDigest {
  Inner inner;
  static constexpr long outputLength() { return Inner::outputLength(); }
  static constexpr long blockLength() { return Inner::blockLength(); }
  static FlippedDigest hash(const LazyByteString& m) { return {Inner::hash(m)}; }
  static FlippedDigest hashStrict(const ByteString& m) { return {Inner::hashStrict(m)}; }
  [[nodiscard]] ByteString serialize() const {
    ByteString out = inner.serialize();
    out[0] ^= 1;
    return out;
  }
  static std::optional<FlippedDigest> parse(const ByteString& bytes) {
    ByteString flipped = bytes;
    if (!flipped.empty()) flipped[0] ^= 1;
    if (auto digest = Inner::parse(flipped)) return FlippedDigest{*digest};
    return std::nullopt;
  }
  friend bool operator==(const FlippedDigest&, const FlippedDigest&) = default;
};

TEST(WycheproofTests, AOneBitHashFaultFailsEveryValidTest) {
  using D = FlippedDigest<examples::SHA256>;
  EXPECT_EQ(runAll(makeWycheproofHMACTests<D>()).failed.size(), 66u);
  EXPECT_EQ(runAll(makeWycheproofHKDFTests<D>()).failed.size(), 83u);
  EXPECT_EQ(runAll(makeWycheproofPBKDF2Tests<D>()).failed.size(), 60u);
}

// The tag every MAC below gives, whatever it is asked: set to each test's own tag in turn, it
// models a MAC that produces exactly the forged tag.
ByteString forcedTag;

struct ForcedHMAC {
  ByteString bytes;
  static constexpr long outputLength() { return 256; }
  static constexpr long blockLength() { return 512; }
  static ForcedHMAC hash(const LazyByteString& m) {
    return {examples::SHA256::hash(m).serialize()};
  }
  static ForcedHMAC hashStrict(const ByteString& m) {
    return {examples::SHA256::hashStrict(m).serialize()};
  }
  [[nodiscard]] ByteString serialize() const { return bytes; }
  static std::optional<ForcedHMAC> parse(const ByteString& b) { return ForcedHMAC{b}; }
  static ForcedHMAC hmac(const MacKey<ForcedHMAC>&, const LazyByteString&) { return {forcedTag}; }
  static ForcedHMAC hmacStrict(const MacKey<ForcedHMAC>&, const ByteString&) { return {forcedTag}; }
  friend bool operator==(const ForcedHMAC&, const ForcedHMAC&) = default;
};

struct ForcedCMAC {
  examples::AES128 inner;
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 128; }
  static std::optional<ForcedCMAC> buildKey(const ByteString& key) {
    if (auto k = examples::AES128::buildKey(key)) return ForcedCMAC{*k};
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const { return inner.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return inner.decryptBlock(in); }
  ByteString cmac(const ByteString&) const { return forcedTag; }
  ByteString cmacLazy(const LazyByteString&) const { return forcedTag; }
};

// Runs each case with forcedTag set to the tag of its test in `file`.
std::size_t failuresWithForcedTags(const std::vector<Tree>& trees, const std::string& file) {
  std::map<std::int64_t, ByteString> tags;
  const auto loaded =
      detail::loadWycheproofFile(std::string(KAVRIT_TESTS_DATADIR) + "/Test/WYCHEPROOF/" + file);
  for (const auto& group : loaded->groups) {
    for (const auto& test : group.tests) tags[test.tcId] = *test.field("tag");
  }
  std::size_t failed = 0;
  for (const Tree& tree : trees) {
    const std::string& name = tree.name();
    const std::size_t at = name.find("-tc") + 3;
    forcedTag = tags.at(std::stoll(name.substr(at)));
    failed += fixture::failureOf(tree) ? 1 : 0;
  }
  return failed;
}

TEST(WycheproofTests, AMACThatGivesTheForgedTagFailsEveryInvalidTest) {
  // 108 modified tags among HMAC-SHA-256's 174 tests; CMAC's 81 for AES-128, and its 5 keys of
  // sizes no AES has, which OpenSSL's buildKey refuses.
  EXPECT_EQ(failuresWithForcedTags(makeWycheproofHMACTests<ForcedHMAC>(), "hmac_sha256_test.json"),
            108u);
  EXPECT_EQ(failuresWithForcedTags(makeWycheproofCMACTests<ForcedCMAC>(), "aes_cmac_test.json"),
            81u);
}

// A KDF that ignores the length limit: the SizeTooLarge tests fail.
struct UnlimitedHKDF {
  examples::SHA256 inner;
  static constexpr long outputLength() { return 256; }
  static constexpr long blockLength() { return 512; }
  static UnlimitedHKDF hash(const LazyByteString& m) { return {examples::SHA256::hash(m)}; }
  static UnlimitedHKDF hashStrict(const ByteString& m) { return {examples::SHA256::hashStrict(m)}; }
  [[nodiscard]] ByteString serialize() const { return inner.serialize(); }
  static std::optional<UnlimitedHKDF> parse(const ByteString& bytes) {
    if (auto digest = examples::SHA256::parse(bytes)) return UnlimitedHKDF{*digest};
    return std::nullopt;
  }
  friend bool operator==(const UnlimitedHKDF&, const UnlimitedHKDF&) = default;
  // RFC 5869's expand, with the block counter left to wrap instead of the length refused.
  static ByteString hkdf(const ByteString& salt, const ByteString& ikm, const ByteString& info,
                         std::size_t length) {
    const ByteString prk = kavrit::hkdfExtract<examples::SHA256>(salt, ikm);
    ByteString out;
    ByteString block;
    for (std::uint8_t counter = 1; out.size() < length; ++counter) {
      block.insert(block.end(), info.begin(), info.end());
      block.push_back(counter);
      block = kavrit::hmacStrict(MacKey<examples::SHA256>(prk), block).serialize();
      out.insert(out.end(), block.begin(), block.end());
    }
    out.resize(length);
    return out;
  }
};

TEST(WycheproofTests, AKDFMustRefuseALengthOutOfRange) {
  const Outcomes o = runAll(makeWycheproofHKDFTests<UnlimitedHKDF>());
  // Only the three that ask for more than 255 hash lengths fail (its hkdfExpand is kavrit's).
  EXPECT_EQ(o.failed.size(), 3u);
  const std::string& report = o.reports.at("hkdf_sha256_test.json-tc25-SizeTooLarge");
  EXPECT_NE(report.find("hkdf derived 8161 bytes"), std::string::npos) << report;
}

TEST(WycheproofTests, AFailureExplainsTheVectorAndTheBugItHunts) {
  const Outcomes o = runAll(makeWycheproofCCMTests<AcceptsEverything<128>>());
  // A nonce of 0 bytes that the accepting decryption opened anyway.
  const auto found = std::find_if(o.failed.begin(), o.failed.end(), [](const std::string& name) {
    return name.find("CVE-2017-18330") != std::string::npos;
  });
  ASSERT_NE(found, o.failed.end());
  const std::string& report = o.reports.at(*found);
  for (const char* part :
       {"ccmDecrypt accepted an input that must be refused", "aes_ccm_test.json:", ", tcId ",
        "result invalid", "comment: ", "  key = ", "  iv = ", "  aad = ", "  ct = ", "  tag = ",
        "flag InvalidNonceSize (", "flag CVE-2017-18330 (", "CVEs: CVE-2017-18330"}) {
    EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
  }
}

TEST(WycheproofTests, AcceptableTestsAreNotedAndCounted) {
  std::vector<std::string> notes;
  const NoteSink previous =
      setNoteSink([&notes](const std::string& note) { notes.push_back(note); });
  const WycheproofTally before = wycheproofAcceptableTally();
  const Outcomes o = runAll(makeWycheproofKeyWrapTests<examples::AES128>());
  setNoteSink(previous);
  EXPECT_TRUE(o.failed.empty()) << firstFailure(o);
  const WycheproofTally after = wycheproofAcceptableTally();
  // Wrapping an 8-byte key: kavrit's KW refuses it.
  EXPECT_EQ(after.refused - before.refused, 1u);
  EXPECT_EQ(after.accepted, before.accepted);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("aes_wrap_test.json-tc12-ShortKey: acceptable input refused"),
            std::string::npos)
      << notes[0];
}

// A hand-written file through the user-file builder.
std::string macFile(const std::string& tests, const std::string& schema = "mac_test_schema_v1.json",
                    const std::string& algorithm = "AES-CMAC") {
  return R"({"algorithm": ")" + algorithm + R"(", "schema": ")" + schema +
         R"(", "numberOfTests": 2,
  "notes": {"ModifiedTag": {"bugType": "AUTH_BYPASS", "description": "d"}},
  "testGroups": [{"keySize": 128, "tagSize": 128, "type": "MacTest", "tests": [
)" + tests +
         "]}]}";
}

// RFC 4493's example 2 under CMAC-AES-128, once as valid and once, identical, as a forgery.
constexpr const char* kRfc4493 = R"("key": "2b7e151628aed2a6abf7158809cf4f3c",
    "msg": "6bc1bee22e409f96e93d7e117393172a", "tag": "070a16b46b4d4144f79bdd9dd04a287c")";

TEST(WycheproofTests, AUserFileRunsUnderTheSameRules) {
  const DataDir dir;
  dir.write("mine.json", macFile(std::string(R"({"tcId": 1, "comment": "", "flags": [], )") +
                                 kRfc4493 + R"(, "result": "valid"},
    {"tcId": 2, "comment": "forged", "flags": ["ModifiedTag"], )" +
                                 kRfc4493 + R"(, "result": "invalid"})"));
  const Outcomes o =
      runAll(makeWycheproofTests<examples::AES128>((dir.root() / "mine.json").string()));
  EXPECT_EQ(o.passed, 1u);
  ASSERT_EQ(o.failed, std::vector<std::string>{"mine.json-tc2-ModifiedTag"});
  EXPECT_NE(o.reports.at(o.failed[0])
                .find("cmac gave the tag of the vector, an output that must "
                      "not be produced"),
            std::string::npos)
      << o.reports.at(o.failed[0]);
  EXPECT_NE(o.reports.at(o.failed[0]).find("mine.json:6"), std::string::npos)
      << o.reports.at(o.failed[0]);
}

std::string errorOf(const std::string& text) {
  const DataDir dir;
  dir.write("bad.json", text);
  try {
    (void)makeWycheproofTests<examples::AES128>((dir.root() / "bad.json").string());
  } catch (const std::exception& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(WycheproofTests, MalformedFilesAreRefusedNamingFileLineTcIdAndField) {
  const std::string valid = R"({"tcId": 7, "comment": "", "flags": [], )";
  // Not JSON: the line of the fault.
  EXPECT_NE(errorOf("{\n\"algorithm\": \"AES-CMAC\",\n  oops }").find("bad.json:3: not JSON"),
            std::string::npos);
  // A missing field, a non-hex field, a field of the wrong type, an unknown flag, a bad result.
  std::string e = errorOf(macFile(valid + R"("key": "00", "msg": "", "result": "valid"})"));
  EXPECT_NE(e.find("bad.json:4: tcId 7: field \"tag\": missing"), std::string::npos) << e;
  e = errorOf(macFile(valid + R"("key": "0g", "msg": "", "tag": "", "result": "valid"})"));
  EXPECT_NE(e.find("tcId 7: field \"key\": not hex"), std::string::npos) << e;
  e = errorOf(macFile(valid + R"("key": 5, "msg": "", "tag": "", "result": "valid"})"));
  EXPECT_NE(e.find("tcId 7: field \"key\": a number where a string belongs"), std::string::npos)
      << e;
  e = errorOf(macFile(R"({"tcId": 7, "comment": "", "flags": ["Nope"], "key": "", "msg": "",
      "tag": "", "result": "valid"})"));
  EXPECT_NE(e.find("field \"flags\": \"Nope\" has no entry in the file's notes"), std::string::npos)
      << e;
  e = errorOf(macFile(valid + R"("key": "", "msg": "", "tag": "", "result": "maybe"})"));
  EXPECT_NE(e.find("field \"result\": \"maybe\" is none of"), std::string::npos) << e;
  // numberOfTests must agree with the groups (2 stated, 1 held).
  e = errorOf(macFile(valid + R"("key": "", "msg": "", "tag": "", "result": "valid"})"));
  EXPECT_NE(e.find("field \"numberOfTests\": 2 where the groups hold 1 tests"), std::string::npos)
      << e;
  // A schema or algorithm the library does not run over a block cipher.
  e = errorOf(macFile(valid + R"("key": "", "msg": "", "tag": "", "result": "valid"}, )" + valid +
                          R"("key": "", "msg": "", "tag": "", "result": "valid"})",
                      "mac_test_schema_v1.json", "KMAC128"));
  EXPECT_NE(e.find("tcId 7: field \"tcId\": used by an earlier test"), std::string::npos) << e;
  e = errorOf(macFile(valid +
                          R"("key": "", "msg": "", "tag": "", "result": "valid"}, {"tcId": 8, )" +
                          R"("comment": "", "flags": [], "key": "", "msg": "", "tag": "", )" +
                          R"("result": "valid"})",
                      "xdh_comp_schema.json", "XDH"));
  EXPECT_NE(e.find("schema \"xdh_comp_schema.json\" with algorithm \"XDH\" is not one the library "
                   "runs over a block cipher"),
            std::string::npos)
      << e;
  // A missing file names its path.
  e = errorOf("");
  EXPECT_NE(e.find("bad.json:1: not JSON"), std::string::npos) << e;
}

TEST(WycheproofTests, EveryShippedFileParsesWithItsStatedCount) {
  std::size_t tests = 0;
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(KAVRIT_TESTS_DATADIR) +
                                                               "/Test/WYCHEPROOF")) {
    if (entry.path().extension() != ".json") continue;
    const auto file = detail::loadWycheproofFile(entry.path().string());
    std::size_t held = 0;
    for (const auto& group : file->groups) held += group.tests.size();
    EXPECT_EQ(held, file->numberOfTests) << file->name;
    for (const auto& group : file->groups) {
      for (const auto& test : group.tests) EXPECT_GT(test.line, 0) << file->name << test.tcId;
    }
    tests += held;
    ++files;
  }
  EXPECT_EQ(files, 45u);
  EXPECT_EQ(tests, 9602u);
}

}  // namespace
}  // namespace kavrit::test
