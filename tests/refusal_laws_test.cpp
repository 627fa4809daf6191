// The refusal laws of GCM, CCM, KW and KWP: green on OpenSSL's and Nettle's AES under kavrit's
// constructions, and each broken member of examples/broken/refusal_faults.hpp caught by the unit
// case of its class, while the NIST known-answer suites pass it.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "broken/refusal_faults.hpp"
#include "cipher_kat_support.hpp"
#include "kavrit/test/ccm.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/key_wrap.hpp"
#include "kavrit/test/refusal_laws.hpp"
#include "nettle/nettle_reference.hpp"
#include "openssl/openssl_aes.hpp"

namespace kavrit::test {
namespace {

using support::caseNames;
using support::contains;
using support::failureOf;
using support::IdentityCipher;
using Tree = kavrit::test::Test;
using Names = std::vector<std::string>;

// The leaves of a group that fail: its unit cases, and with `properties` its properties too,
// under a fixed seed so that what a property catches is the same on every run.
Names failing(const Tree& group, bool properties = false) {
  Names out;
  for (const Tree& leaf : group.children()) {
    if (leaf.kind() == Tree::Kind::Case) {
      if (failureOf(leaf)) out.push_back(leaf.name());
    } else if (properties) {
      PropertyParams params;
      params.seed = 2024;
      if (!leaf.check(group.name() + "/" + leaf.name(), params).passed()) {
        out.push_back(leaf.name());
      }
    }
  }
  return out;
}

// What the unit case `name` of the group threw.
std::string failureText(const Tree& group, const std::string& name) {
  for (const Tree& leaf : group.children()) {
    if (leaf.name() == name) return failureOf(leaf).value_or("(passed)");
  }
  return "(no leaf " + name + ")";
}

// The older suite's known-answer cases and property groups alike.
Names failingOlder(const std::vector<Tree>& trees) {
  Names out;
  for (const Tree& t : trees) {
    if (t.kind() == Tree::Kind::Group) {
      for (const std::string& name : failing(t, true)) out.push_back(t.name() + "/" + name);
    } else if (failureOf(t)) {
      out.push_back(t.name());
    }
  }
  return out;
}

template <class K>
void expectGreen(const char* label) {
  const Tree aead = makeAEADRefusalTests<K>();
  const Tree wrap = makeKeyWrapRefusalTests<K>();
  EXPECT_EQ(aead.children().size(), 12u) << label;
  EXPECT_EQ(wrap.children().size(), 8u) << label;
  EXPECT_EQ(failing(aead, true), Names{}) << label;
  EXPECT_EQ(failing(wrap, true), Names{}) << label;
}

TEST(RefusalLaws, HoldForOpenSSLAndNettleAESUnderKavritsConstructions) {
  expectGreen<examples::AES128>("OpenSSL AES-128");
  expectGreen<examples::AES256>("OpenSSL AES-256");
  expectGreen<examples::NettleAES128>("Nettle AES-128");
}

TEST(RefusalLaws, NoLeavesForOtherBlockSizes) {
  const Tree aead = makeAEADRefusalTests<IdentityCipher<64>>();
  EXPECT_EQ(aead.name(), "AEAD Refusal Tests");
  EXPECT_TRUE(aead.children().empty());
  const Tree wrap = makeKeyWrapRefusalTests(IdentityCipher<64>{});
  EXPECT_EQ(wrap.name(), "Key Wrap Refusal Tests");
  EXPECT_TRUE(wrap.children().empty());
}

// The construction the laws build their key-wrap inputs with is SP 800-38F's: from the right
// integrity values it gives what keyWrap and keyWrapPad give.
TEST(RefusalLaws, WrappingFromAnIntegrityValueIsTheWrapFunction) {
  const auto key = anyBlockCipher<examples::AES128>().buildKey(ByteString(16, 0x42));
  ASSERT_TRUE(key);
  const ByteString kw(8, 0xA6);
  std::mt19937 rng(7);
  const ByteString r = support::randomBytes(rng, 24);
  EXPECT_EQ(detail::wrapFromIntegrityValue(*key, kw, r), key->keyWrap(KeyWrapKind::KW, r));
  for (const std::size_t length : {8u, 16u}) {
    const ByteString plain(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(length));
    const ByteString aiv = {0xA6, 0x59, 0x59, 0xA6, 0, 0, 0, static_cast<std::uint8_t>(length)};
    EXPECT_EQ(detail::wrapFromIntegrityValue(*key, aiv, plain),
              key->keyWrap(KeyWrapKind::KWP, plain))
        << length;
  }
  EXPECT_THROW((void)detail::wrapFromIntegrityValue(*key, kw, ByteString(12)),
               std::invalid_argument);
  EXPECT_THROW((void)detail::wrapFromIntegrityValue(*key, ByteString(4), r), std::invalid_argument);
}

// ---- The broken members ----

using GcmFourBytes = examples::GcmComparesFourTagBytes<examples::AES128>;
using GcmShortTags = examples::GcmTakesShortTags<examples::AES128>;
using CcmCutTag = examples::CcmComparesCutTag<examples::AES128>;
using KwFourBytes = examples::KwChecksFourIcvBytes<examples::AES128>;
using KwpPadding = examples::KwpIgnoresPadding<examples::AES128>;
using KwpLength = examples::KwpSkipsLengthCheck<examples::AES128>;

TEST(RefusalFaults, GcmComparingFourTagBytes) {
  const Tree laws = makeAEADRefusalTests<GcmFourBytes>();
  EXPECT_EQ(failing(laws, true), (Names{"GCMEveryFlippedBit", "GCMFlippedBitsDrawn"}));
  const std::string text = failureText(laws, "GCMEveryFlippedBit");
  EXPECT_TRUE(contains(text, "gcmDecrypt accepts a forgery: bit 32 (byte 4, mask 01) of the tag"))
      << text;
  EXPECT_TRUE(contains(text, "\n  IV         31567ba0c5ea10355a7fa4c9\n")) << text;
  EXPECT_TRUE(contains(text, "\n  tag        e1a2d89c6f3aead39b4efc3e394bc9bc\n")) << text;
  // Every NIST record passes. The older flipped-bit property catches it too, whenever it draws a
  // tag bit past the 32nd (under every seed of 20), and so do Wycheproof's ModifiedTag tests.
  EXPECT_EQ(caseNames(makeGCMTests<GcmFourBytes>(), true), Names{});
}

TEST(RefusalFaults, GcmTakingTagsUnderFourBytes) {
  const Tree laws = makeAEADRefusalTests<GcmShortTags>();
  EXPECT_EQ(failing(laws, true), (Names{"GCMShortTags", "GCMTruncatedTags", "GCMShortTagsDrawn",
                                        "GCMTruncatedTagsDrawn"}));
  EXPECT_TRUE(contains(failureText(laws, "GCMShortTags"),
                       "gcmDecrypt accepts a tag of 0 bytes (zeros), under 4"));
  EXPECT_TRUE(contains(failureText(laws, "GCMTruncatedTags"),
                       "gcmDecrypt accepts the tag made with 4 bytes cut to 0"));
  // Neither the NIST records, nor the older laws, nor Wycheproof's GCM file have a tag that short.
  EXPECT_EQ(failingOlder(makeGCMTests<GcmShortTags>()), Names{});
}

TEST(RefusalFaults, CcmComparingACutTag) {
  const Tree laws = makeAEADRefusalTests<CcmCutTag>();
  EXPECT_EQ(failing(laws, true), (Names{"CCMShortTags", "CCMTruncatedTags", "CCMShortTagsDrawn",
                                        "CCMTruncatedTagsDrawn"}));
  const std::string text = failureText(laws, "CCMTruncatedTags");
  EXPECT_TRUE(contains(text, "ccmDecrypt accepts the tag made with 4 bytes cut to 0")) << text;
  EXPECT_TRUE(contains(text, "\n  nonce      ")) << text;
  EXPECT_TRUE(contains(failureText(laws, "CCMShortTags"),
                       "ccmDecrypt accepts a tag of 0 bytes (the valid 4-byte tag cut), a length "
                       "CCM has no tag of"));
  // Wycheproof's CCM file does not catch it either.
  EXPECT_EQ(failingOlder(makeCCMTests<CcmCutTag>()), Names{});
}

TEST(RefusalFaults, KwCheckingFourIcvBytes) {
  const Tree laws = makeKeyWrapRefusalTests<KwFourBytes>();
  EXPECT_EQ(failing(laws, true), (Names{"KWIntegrityValue", "KWIntegrityValueDrawn"}));
  const std::string text = failureText(laws, "KWIntegrityValue");
  EXPECT_TRUE(contains(text, "keyUnwrap accepts an ICV with byte 4 changed to 00")) << text;
  EXPECT_TRUE(contains(text, "\n  from A    a6a6a6a600a6a6a6\n")) << text;
  // The NIST records pass; Wycheproof's ModifiedIv tests (tc34 to tc37) catch it too.
  EXPECT_EQ(caseNames(makeKeyWrapTests<KwFourBytes>(), true), Names{});
}

TEST(RefusalFaults, KwpNeverCheckingThePadding) {
  const Tree laws = makeKeyWrapRefusalTests<KwpPadding>();
  EXPECT_EQ(failing(laws, true), (Names{"KWPNonZeroPadding", "KWPNonZeroPaddingDrawn"}));
  const std::string text = failureText(laws, "KWPNonZeroPadding");
  EXPECT_TRUE(
      contains(text, "keyUnwrapPad accepts a plaintext of 1 byte whose padding byte 1 is 01"))
      << text;
  EXPECT_TRUE(contains(text, "\n  from A    a65959a600000001\n")) << text;
  // The NIST records pass; Wycheproof's ModifiedPadding tests catch it too.
  EXPECT_EQ(caseNames(makeKeyWrapTests<KwpPadding>(), true), Names{});
}

TEST(RefusalFaults, KwpSkippingTheLengthCheck) {
  const Tree laws = makeKeyWrapRefusalTests<KwpLength>();
  EXPECT_EQ(failing(laws, true), (Names{"KWPIntegrityValue", "KWPLengthOutOfRange",
                                        "KWPIntegrityValueDrawn", "KWPLengthOutOfRangeDrawn"}));
  const std::string text = failureText(laws, "KWPLengthOutOfRange");
  EXPECT_TRUE(
      contains(text, "keyUnwrapPad accepts an MLI of 0 over 1 semiblock (it must be 1 to 8)"))
      << text;
  EXPECT_TRUE(text.ends_with("\ngiving ")) << text;
  // The NIST records pass; Wycheproof's ModifiedPadding tests with a length out of range catch
  // it too.
  EXPECT_EQ(caseNames(makeKeyWrapTests<KwpLength>(), true), Names{});
}

}  // namespace
}  // namespace kavrit::test
