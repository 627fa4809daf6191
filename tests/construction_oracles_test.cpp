// The construction hook oracles and the long construction laws: they hold on own members that are
// OpenSSL's or kavrit's own free functions, and each fails on the broken member of
// examples/broken/construction_faults.hpp that it is built for, where the older suites pass.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "broken/construction_faults.hpp"
#include "kavrit/cbc_pad.hpp"
#include "kavrit/ccm.hpp"
#include "kavrit/cmac.hpp"
#include "kavrit/gcm.hpp"
#include "kavrit/key_wrap.hpp"
#include "kavrit/test/ccm.hpp"
#include "kavrit/test/cmac.hpp"
#include "kavrit/test/construction_oracles.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/hkdf.hpp"
#include "kavrit/test/long_constructions.hpp"
#include "kavrit/test/wycheproof.hpp"
#include "kavrit/test/xts.hpp"
#include "kavrit/xts.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"
#include "openssl/openssl_kdf.hpp"
#include "openssl/openssl_tdes.hpp"
#include "openssl/openssl_xts.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using namespace propcheck;
namespace ex = examples;

// Every construction member, each handing its input to kavrit's free function over the inner AES:
// right by construction, so every oracle must hold on it.
class ForwardsEveryConstruction : public ex::WrappedKey<ex::AES128, ForwardsEveryConstruction> {
  using Base = ex::WrappedKey<ex::AES128, ForwardsEveryConstruction>;
  friend Base;

 public:
  AeadSealed gcmEncrypt(const ByteString& iv, const ByteString& aad, const ByteString& text,
                        std::size_t tagBytes) const {
    return kavrit::gcmEncrypt(inner(), iv, aad, text, tagBytes);
  }
  std::optional<ByteString> gcmDecrypt(const ByteString& iv, const ByteString& aad,
                                       const ByteString& text, const ByteString& tag) const {
    return kavrit::gcmDecrypt(inner(), iv, aad, text, tag);
  }
  AeadSealed gcmEncryptLazy(const ByteString& iv, const LazyByteString& aad,
                            const LazyByteString& text, std::size_t tagBytes) const {
    return kavrit::gcmEncryptLazy(inner(), iv, aad, text, tagBytes);
  }
  std::optional<ByteString> gcmDecryptLazy(const ByteString& iv, const LazyByteString& aad,
                                           const LazyByteString& text,
                                           const ByteString& tag) const {
    return kavrit::gcmDecryptLazy(inner(), iv, aad, text, tag);
  }
  AeadSealed ccmEncrypt(const ByteString& nonce, const ByteString& aad, const ByteString& text,
                        std::size_t tagBytes) const {
    return kavrit::ccmEncrypt(inner(), nonce, aad, text, tagBytes);
  }
  std::optional<ByteString> ccmDecrypt(const ByteString& nonce, const ByteString& aad,
                                       const ByteString& text, const ByteString& tag) const {
    return kavrit::ccmDecrypt(inner(), nonce, aad, text, tag);
  }
  ByteString xtsEncrypt(const ForwardsEveryConstruction& tweakKey, const ByteString& tweak,
                        const ByteString& data) const {
    return kavrit::xtsEncrypt(inner(), tweakKey.inner(), tweak, data);
  }
  ByteString xtsDecrypt(const ForwardsEveryConstruction& tweakKey, const ByteString& tweak,
                        const ByteString& data) const {
    return kavrit::xtsDecrypt(inner(), tweakKey.inner(), tweak, data);
  }
  ByteString cmac(const ByteString& message) const { return kavrit::cmac(inner(), message); }
  ByteString cmacLazy(const LazyByteString& message) const {
    return kavrit::cmacLazy(inner(), message);
  }
  ByteString keyWrap(const ByteString& in) const { return kavrit::keyWrap(inner(), in); }
  std::optional<ByteString> keyUnwrap(const ByteString& in) const {
    return kavrit::keyUnwrap(inner(), in);
  }
  ByteString keyWrapPad(const ByteString& in) const { return kavrit::keyWrapPad(inner(), in); }
  std::optional<ByteString> keyUnwrapPad(const ByteString& in) const {
    return kavrit::keyUnwrapPad(inner(), in);
  }
  template <class Iv>
  ByteString cbcPad(const Iv& iv, const ByteString& text) const {
    return kavrit::cbcPad(inner(), innerIv(iv), text);
  }
  template <class Iv>
  std::optional<ByteString> unCbcPad(const Iv& iv, const ByteString& text) const {
    return kavrit::unCbcPad(inner(), innerIv(iv), text);
  }
  template <class Iv>
  ByteString cbcPadLazy(const Iv& iv, const LazyByteString& text) const {
    return kavrit::cbcPadLazy(inner(), innerIv(iv), text);
  }
  template <class Iv>
  std::optional<ByteString> unCbcPadLazy(const Iv& iv, const LazyByteString& text) const {
    return kavrit::unCbcPadLazy(inner(), innerIv(iv), text);
  }

 private:
  explicit ForwardsEveryConstruction(ex::AES128 inner) : Base(std::move(inner)) {}
  template <class Iv>
  static IV<ex::AES128> innerIv(const Iv& iv) {
    return IV<ex::AES128>::parse(iv.bytes()).value();
  }
};

Tree withoutSlow(const Tree& group) {
  std::vector<Tree> kept;
  for (const Tree& child : group.children()) {
    if (child.name() != "Slow") kept.push_back(child);
  }
  return testGroup(group.name(), std::move(kept));
}

TEST(ConstructionOracles, NothingToCompareWithoutHooks) {
  const Tree blocks = makeConstructionHookOracleTests<ex::AES128>();
  EXPECT_EQ(blocks.name(), "Construction Hook Oracle Tests");
  EXPECT_TRUE(blocks.children().empty());
  const Tree kdf = makeKDFHookOracleTests<ex::SHA256>();
  EXPECT_EQ(kdf.name(), "KDF Hook Oracle Tests");
  EXPECT_TRUE(kdf.children().empty());
}

TEST(ConstructionOracles, CorrectOwnMembersAgree) {
  const Tree all = makeConstructionHookOracleTests<ForwardsEveryConstruction>();
  EXPECT_EQ(leafNames(all),
            (std::vector<std::string>{
                "GCMHookEdges", "GCMHookDrawn", "CCMHookEdges", "CCMHookDrawn", "XTSHookEdges",
                "XTSHookDrawn", "CMACHookEdges", "CMACHookDrawn", "KWHookEdges", "KWHookDrawn",
                "KWPHookEdges", "KWPHookDrawn", "CBCPadHookEdges", "CBCPadHookDrawn"}));
  // OpenSSL's XTS and its HKDF and PBKDF2: another library's, behind the hooks.
  const Tree xts = makeConstructionHookOracleTests<ex::XTSAES128>();
  EXPECT_EQ(leafNames(xts), (std::vector<std::string>{"XTSHookEdges", "XTSHookDrawn"}));
  const Tree kdf = makeKDFHookOracleTests<ex::OpenSSLKDFSHA256>();
  EXPECT_EQ(leafNames(kdf), (std::vector<std::string>{"HKDFHookEdges", "HKDFHookDrawn",
                                                      "PBKDF2HookEdges", "PBKDF2HookDrawn"}));
  expectAllLeavesPass({all, xts, kdf});
}

TEST(ConstructionOracles, SayWhichImplementationIsTested) {
  EXPECT_EQ(describeConstructionOracles(anyBlockCipher<ex::XTSAES128>()),
            "GCM: kavrit gcmEncrypt/gcmDecrypt/gcmEncryptLazy/gcmDecryptLazy; CCM: kavrit "
            "ccmEncrypt/ccmDecrypt; XTS: own xtsEncrypt/xtsDecrypt; CMAC: kavrit cmac/cmacLazy; "
            "KW: kavrit keyWrap/keyUnwrap; KWP: kavrit keyWrapPad/keyUnwrapPad; CBCPad: kavrit "
            "cbcPad/unCbcPad/cbcPadLazy/unCbcPadLazy");
  // A 64-bit block: only CMAC and padded CBC are defined for it.
  EXPECT_EQ(describeConstructionOracles(anyBlockCipher<ex::TripleDES3>()),
            "CMAC: kavrit cmac/cmacLazy; CBCPad: kavrit cbcPad/unCbcPad/cbcPadLazy/unCbcPadLazy");
}

TEST(LongConstructions, HoldOnKavritsAndOwnMembers) {
  const Tree aes = makeLongConstructionTests<ex::AES128>();
  EXPECT_EQ(aes.name(), "Long Construction Tests");
  EXPECT_EQ(leafNames(aes),
            (std::vector<std::string>{"GCMLongMessage", "CCMLongMessage", "XTSLongMessage",
                                      "CMACLongMessage", "CBCPadLongMessage", "GCM1MiB", "CCM1MiB",
                                      "XTS1MiB", "CMAC1MiB", "CBCPad1MiB"}));
  ASSERT_EQ(aes.children().back().name(), "Slow");
  const Tree tdes = makeLongConstructionTests<ex::TripleDES3>();
  EXPECT_EQ(leafNames(tdes), (std::vector<std::string>{"CMACLongMessage", "CBCPadLongMessage",
                                                       "CMAC1MiB", "CBCPad1MiB"}));
  expectAllLeavesPass({aes, withoutSlow(tdes),
                       withoutSlow(makeLongConstructionTests<ForwardsEveryConstruction>()),
                       withoutSlow(makeLongConstructionTests<ex::XTSAES128>())});
}

// Some leaves fail, and each of them has `kind` in its name.
void expectOnlyKindFails(const std::vector<Tree>& trees, const std::string& kind) {
  std::size_t failed = 0;
  for (const Tree& leaf : leaves(trees)) {
    if (!leafFailure(leaf)) continue;
    ++failed;
    EXPECT_NE(leaf.name().find(kind), std::string::npos) << leaf.name() << " fails";
  }
  EXPECT_GT(failed, 0u) << "no " << kind << " leaf fails";
}

// No NIST GCM vector's first counter block is within a few blocks of the 32-bit wrap; Wycheproof
// has IVs made for it ("CounterWrap"), which catch it too.
TEST(ConstructionOraclesCatch, GcmCounterCarryingIntoTheIv) {
  using K = ex::GcmCounterCarries<ex::AES128>;
  expectAllLeavesPass(makeGCMTests<K>());
  expectAllLeavesPass({makeLongConstructionTests<K>().children()[0]});
  expectOnlyKindFails(makeWycheproofGCMTests<K>(), "CounterWrap");
  expectOnlyTheseFail(makeConstructionHookOracleTests<K>(),
                      {{"GCMHookEdges", "gcmEncrypt on 0-byte AAD and 32-byte text under IV"},
                       {"GCMHookDrawn", "gcmEncrypt"}});
}

// The NIST GCM vectors' AAD is at most 90 bytes; a few of Wycheproof's longer ones catch it.
TEST(ConstructionOraclesCatch, GcmAadCutAt256Bytes) {
  using K = ex::GcmAadBuffer256<ex::AES128>;
  expectAllLeavesPass(makeGCMTests<K>());
  expectOnlyKindFails(makeWycheproofGCMTests<K>(), "Pseudorandom");
  expectOnlyTheseFail(
      makeConstructionHookOracleTests<K>(),
      {{"GCMHookEdges", "gcmEncrypt on 300-byte AAD"}, {"GCMHookDrawn", "gcmEncrypt"}});
}

// The CCM vectors' AAD is at most 32 bytes; no drawn AAD reaches 65,280 bytes either.
TEST(ConstructionOraclesCatch, CcmAadLengthAlwaysInTwoBytes) {
  using K = ex::CcmShortAadLength<ex::AES128>;
  expectAllLeavesPass(makeCCMTests<K>());
  expectAllLeavesPass(makeWycheproofCCMTests<K>());
  expectOnlyTheseFail(makeConstructionHookOracleTests<K>(),
                      {{"CCMHookEdges", "ccmEncrypt on 65280-byte AAD and 0-byte text"}});
}

// The XTS vectors' data units are at most 48 bytes.
TEST(ConstructionOraclesCatch, XtsTweaksOf32BlocksTakenRound) {
  using K = ex::XtsTweakTable32<ex::AES128>;
  expectAllLeavesPass(makeXTSTests<K>());
  expectAllLeavesPass(makeWycheproofXTSTests<K>());
  expectOnlyTheseFail(
      makeConstructionHookOracleTests<K>(),
      {{"XTSHookEdges", "xtsEncrypt on a 528-byte data unit"}, {"XTSHookDrawn", "xtsEncrypt"}});
  expectOnlyTheseFail(withoutSlow(makeLongConstructionTests<K>()),
                      {{"XTSLongMessage", "xtsEncrypt of a data unit of 65537 bytes"}});
}

// SP 800-38B's AES-128 key has E_K(0) = 7df7..., high bit clear, so its examples pass;
// Wycheproof's many keys catch it.
TEST(ConstructionOraclesCatch, CmacFirstSubkeyWithoutRb) {
  using K = ex::CmacK1WithoutRb<ex::AES128>;
  expectAllLeavesPass(makeCMACTests<K>());
  expectOnlyKindFails(makeWycheproofCMACTests<K>(), "Pseudorandom");
  expectOnlyTheseFail(makeConstructionHookOracleTests<K>(),
                      {{"CMACHookEdges", "(L starts 1"}, {"CMACHookDrawn", "cmac"}});
}

// RFC 5869's one case without salt has no info either; Wycheproof's "EmptySalt" cases catch it.
TEST(ConstructionOraclesCatch, HkdfDroppingInfoWithoutSalt) {
  using D = ex::HkdfDropsInfoWithoutSalt;
  expectAllLeavesPass(makeHKDFTests<D>());
  expectOnlyKindFails(makeWycheproofHKDFTests<D>(), "EmptySalt");
  expectOnlyTheseFail(makeKDFHookOracleTests<D>(),
                      {{"HKDFHookEdges", "hkdf on 0-byte salt, 22-byte key material, 10-byte info"},
                       {"HKDFHookDrawn", "hkdf"}});
}

}  // namespace
}  // namespace kavrit::test
