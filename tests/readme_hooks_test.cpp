// Hooks written exactly as the README documents them: a digest type naming kavrit::MacKey of
// itself in its own static hmac and hmacStrict, and a key type naming kavrit::IV of itself in its
// own cbc and ctrLazy. Each hook here is deliberately wrong, so the suites fail exactly when they
// call the type's own member instead of kavrit's generic one.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kat_fixture.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/test_tree.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"

namespace {

using kavrit::ByteString;
using kavrit::IV;
using kavrit::LazyByteString;
using kavrit::MacKey;
using Tree = kavrit::test::Test;  // inside a TEST body `Test` is GoogleTest's fixture
using kavrit::test::fixture::caseNames;

// OpenSSL's SHA-256 with its own HMAC, whose strict form drops the key's last byte and whose lazy
// form drops the message's first byte.
class OwnHmacSha256 {
 public:
  static long outputLength() { return 256; }
  static long blockLength() { return 512; }
  static OwnHmacSha256 hash(const LazyByteString& message) {
    return OwnHmacSha256(Inner::hash(message));
  }
  static OwnHmacSha256 hashStrict(const ByteString& message) {
    return OwnHmacSha256(Inner::hashStrict(message));
  }
  kavrit::ByteString serialize() const { return digest_.serialize(); }
  static std::optional<OwnHmacSha256> parse(const ByteString& bytes) {
    if (auto d = Inner::parse(bytes)) return OwnHmacSha256{*d};
    return std::nullopt;
  }
  friend bool operator==(const OwnHmacSha256&, const OwnHmacSha256&) = default;

  static OwnHmacSha256 hmac(const MacKey<OwnHmacSha256>& key, const LazyByteString& message) {
    ByteString flat = message.flatten();
    if (!flat.empty()) flat.erase(flat.begin());
    return OwnHmacSha256(kavrit::hmacStrict(MacKey<Inner>(key.bytes()), flat));
  }
  static OwnHmacSha256 hmacStrict(const MacKey<OwnHmacSha256>& key, const ByteString& message) {
    ByteString k = key.bytes();
    if (!k.empty()) k.pop_back();
    return OwnHmacSha256(kavrit::hmacStrict(MacKey<Inner>(k), message));
  }

 private:
  using Inner = kavrit::examples::SHA256;
  explicit OwnHmacSha256(Inner digest) : digest_(std::move(digest)) {}
  Inner digest_;
};

// OpenSSL's AES-128 with its own cbc, which leaves the first block as it is, and its own
// ctrLazy, which hands back the IV it was given as the next IV.
class OwnModesAES128 {
 public:
  static long blockSize() { return 128; }
  static long keyLength() { return 128; }
  static std::optional<OwnModesAES128> buildKey(const ByteString& bytes) {
    if (auto k = Inner::buildKey(bytes)) return OwnModesAES128(*k);
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const { return key_.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return key_.decryptBlock(in); }

  std::pair<ByteString, IV<OwnModesAES128>> cbc(const IV<OwnModesAES128>& iv,
                                                const ByteString& in) const {
    auto [out, next] = kavrit::cbc(key_, *IV<Inner>::parse(iv.bytes()), in);
    std::copy_n(in.begin(), std::min<std::size_t>(16, in.size()), out.begin());
    return {out, *IV<OwnModesAES128>::parse(next.bytes())};
  }
  std::pair<LazyByteString, IV<OwnModesAES128>> ctrLazy(const IV<OwnModesAES128>& iv,
                                                        const LazyByteString& in) const {
    return {kavrit::ctrLazy(key_, *IV<Inner>::parse(iv.bytes()), in).first, iv};
  }

 private:
  using Inner = kavrit::examples::AES128;
  explicit OwnModesAES128(Inner key) : key_(std::move(key)) {}
  Inner key_;
};

std::vector<std::string> failingOf(const std::vector<Tree>& trees) {
  return caseNames(trees, /*failing=*/true);
}

TEST(ReadmeHooks, TheDigestTypesOwnHmacIsWhatTheHmacSuiteChecks) {
  EXPECT_EQ(kavrit::ownHashHooks<OwnHmacSha256>(),
            (std::vector<std::string_view>{"hmac", "hmacStrict"}));
  const std::vector<Tree> tests = kavrit::test::makeSHA256HMACTests<OwnHmacSha256>();
  // Every vector fails: each is checked through both entry points and both are off.
  EXPECT_EQ(failingOf(tests).size(), caseNames(tests).size());
  EXPECT_EQ(caseNames(tests).size(), 225u);
  EXPECT_EQ(kavrit::test::describeHMACImplementations(kavrit::test::anyHash<OwnHmacSha256>()),
            "own hmac/hmacStrict");
}

TEST(ReadmeHooks, TheKeyTypesOwnCbcAndCtrLazyAreWhatTheSuitesCheck) {
  EXPECT_EQ(kavrit::ownModeHooks<OwnModesAES128>(),
            (std::vector<std::string_view>{"cbc", "ctrLazy"}));
  EXPECT_EQ(
      kavrit::test::describeModeImplementations(kavrit::test::anyBlockCipher<OwnModesAES128>()),
      "own cbc/ctrLazy, kavrit ecb/cbc (rest)/cfb/ofb/ctr (rest)");

  // The CBC encryption vectors fail and nothing else does among the known answers.
  std::vector<std::string> cbcEncrypt;
  for (const std::string& name : failingOf(kavrit::test::makeAESTests<OwnModesAES128>())) {
    EXPECT_EQ(name.rfind("CBC", 0), 0u) << name;
    EXPECT_NE(name.find("e.rsp"), std::string::npos) << name;
    cbcEncrypt.push_back(name);
  }
  EXPECT_FALSE(cbcEncrypt.empty());

  // Every encryption CTR vector's next IV from ctrLazy differs from ctr's.
  const std::vector<Tree> ctr = kavrit::test::makeAESCTRTests<OwnModesAES128>();
  EXPECT_EQ(failingOf(ctr).size(), caseNames(ctr).size() / 2) << "the encrypting half";
}

// A key type that brings every entry point of CBC, each kavrit's own generic mode underneath.
class AllCbcAES128 {
 public:
  static long blockSize() { return 128; }
  static long keyLength() { return 128; }
  static std::optional<AllCbcAES128> buildKey(const ByteString& bytes) {
    if (auto k = Inner::buildKey(bytes)) return AllCbcAES128(*k);
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const { return key_.encryptBlock(in); }
  ByteString decryptBlock(const ByteString& in) const { return key_.decryptBlock(in); }
#define KAVRIT_OWN(NAME, DATA)                                                               \
  std::pair<DATA, IV<AllCbcAES128>> NAME(const IV<AllCbcAES128>& iv, const DATA& in) const { \
    auto [out, next] = kavrit::NAME(key_, *IV<Inner>::parse(iv.bytes()), in);                \
    return {out, *IV<AllCbcAES128>::parse(next.bytes())};                                    \
  }
  KAVRIT_OWN(cbc, ByteString)
  KAVRIT_OWN(cbcLazy, LazyByteString)
  KAVRIT_OWN(unCbc, ByteString)
  KAVRIT_OWN(unCbcLazy, LazyByteString)
#undef KAVRIT_OWN

 private:
  using Inner = kavrit::examples::AES128;
  explicit AllCbcAES128(Inner key) : key_(std::move(key)) {}
  Inner key_;
};

TEST(ReadmeHooks, AModeWhoseEntryPointsAreAllOwnIsNamedOnce) {
  EXPECT_EQ(kavrit::test::describeModeImplementations(kavrit::test::anyBlockCipher<AllCbcAES128>()),
            "own cbc, kavrit ecb/cfb/ofb/ctr");
  // Correct hooks: every AES vector passes through them.
  EXPECT_TRUE(failingOf(kavrit::test::makeAESTests<AllCbcAES128>()).empty());
}

}  // namespace
