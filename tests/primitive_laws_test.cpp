// The AEAD, stream-cipher and MAC laws: green on the from-scratch ChaCha20, Poly1305 and
// ChaCha20-Poly1305 of examples/broken/primitive_faults.hpp (checked first against RFC 7539's
// examples and OpenSSL) and on GCM and CCM over OpenSSL's AES; each fault switch caught by the
// laws meant for it.

#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "broken/primitive_faults.hpp"
#include "cipher_kat_support.hpp"
#include "kavrit/block_cipher_aead.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/aead_props.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/mac_props.hpp"
#include "kavrit/test/stream_cipher_props.hpp"
#include "openssl/openssl_aes.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using examples::AeadFault;
using examples::ChaChaFault;
using examples::Poly1305Fault;
using propcheck::leafFailure;
using propcheck::leafNames;
using propcheck::leaves;
using Tree = kavrit::test::Test;
using Names = std::vector<std::string>;

ByteString hex(const char* text) { return hexStringToBS(text); }

ByteString counting(std::uint8_t from, std::size_t n) {
  ByteString out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(from + i);
  return out;
}

const std::string kSunscreen =
    "Ladies and Gentlemen of the class of '99: If I could offer you only one tip for the future, "
    "sunscreen would be it.";

ByteString bytesOf(const std::string& text) { return ByteString(text.begin(), text.end()); }

// The leaves of a group that fail, by name, under the fixed seed, and one leaf's report.
Names failing(const Tree& group) { return propcheck::failingLeaves(group); }
std::string failureText(const Tree& group, const std::string& name) {
  return propcheck::leafFailureText(group, name);
}
using support::contains;

// ---- The from-scratch primitives against RFC 7539 and OpenSSL ----

TEST(FromScratchChaCha, Rfc7539Examples) {
  // Section 2.4.2.
  auto stream = examples::ChaCha20<>::start(counting(0, 32), hex("000000000000004a00000000"), 1);
  ASSERT_TRUE(stream);
  EXPECT_EQ(toHex(stream->apply(bytesOf(kSunscreen)).value()),
            "6e2e359a2568f98041ba0728dd0d6981e97e7aec1d4360c20a27afccfd9fae0bf91b65c5524733ab8f593d"
            "abcd62b3571639d624e65152ab8f530c359f0861d807ca0dbf500d6a6156a38e088a22b65e52bc514d16cc"
            "f806818ce91ab77937365af90bbf74a35be6b40b8eedf2785e42874d");
  // Section 2.5.2.
  const auto poly = examples::Poly1305<>::buildKey(
      hex("85d6be7857556d337f4452fe42d506a80103808afb0db2fd4abff6af4149f51b"));
  ASSERT_TRUE(poly);
  EXPECT_EQ(toHex(poly->tag(bytesOf("Cryptographic Forum Research Group"))),
            "a8061dc1305136c6c22b8baf0c0127a9");
  // Section 2.8.2.
  const auto aead = examples::ChaCha20Poly1305<>::buildKey(counting(0x80, 32));
  ASSERT_TRUE(aead);
  const ByteString nonce = hex("070000004041424344454647");
  const ByteString aad = hex("50515253c0c1c2c3c4c5c6c7");
  const AeadSealed sealed = aead->seal(nonce, aad, bytesOf(kSunscreen));
  EXPECT_EQ(toHex(sealed.ciphertext),
            "d31a8d34648e60db7b86afbc53ef7ec2a4aded51296e08fea9e2b5a736ee62d63dbea45e8ca9671282fafb"
            "69da92728b1a71de0a9e060b2905d6a5b67ecd3b3692ddbd7f2d778b8c9803aee328091b58fab324e4fad6"
            "75945585808b4831d7bc3ff4def08e4b7a9de576d26586cec64b6116");
  EXPECT_EQ(toHex(sealed.tag), "1ae10b594f09e26a7e902ecbd0600691");
  EXPECT_EQ(aead->open(nonce, aad, sealed.ciphertext, sealed.tag), bytesOf(kSunscreen));
}

using Context = std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)>;

Context cipherContext() { return Context(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free); }

ByteString opensslChaCha20(const ByteString& key, const ByteString& nonce, std::uint32_t counter,
                           const ByteString& data) {
  ByteString iv(4);
  for (int i = 0; i < 4; ++i) iv[i] = static_cast<std::uint8_t>(counter >> (8 * i));
  iv.insert(iv.end(), nonce.begin(), nonce.end());
  const Context ctx = cipherContext();
  ByteString out(data.size());
  int written = 0;
  EXPECT_EQ(EVP_EncryptInit_ex(ctx.get(), EVP_chacha20(), nullptr, key.data(), iv.data()), 1);
  if (!data.empty()) {
    EXPECT_EQ(EVP_EncryptUpdate(ctx.get(), out.data(), &written, data.data(),
                                static_cast<int>(data.size())),
              1);
  }
  return out;
}

ByteString opensslPoly1305(const ByteString& key, const ByteString& message) {
  EVP_MAC* mac = EVP_MAC_fetch(nullptr, "POLY1305", nullptr);
  EVP_MAC_CTX* ctx = EVP_MAC_CTX_new(mac);
  ByteString tag(16);
  std::size_t written = 0;
  EXPECT_EQ(EVP_MAC_init(ctx, key.data(), key.size(), nullptr), 1);
  EXPECT_EQ(EVP_MAC_update(ctx, message.data(), message.size()), 1);
  EXPECT_EQ(EVP_MAC_final(ctx, tag.data(), &written, tag.size()), 1);
  EVP_MAC_CTX_free(ctx);
  EVP_MAC_free(mac);
  return tag;
}

AeadSealed opensslChaCha20Poly1305(const ByteString& key, const ByteString& nonce,
                                   const ByteString& aad, const ByteString& plaintext) {
  const Context ctx = cipherContext();
  AeadSealed sealed{ByteString(plaintext.size()), ByteString(16)};
  int written = 0;
  std::uint8_t scratch[16];
  EXPECT_EQ(
      EVP_EncryptInit_ex(ctx.get(), EVP_chacha20_poly1305(), nullptr, key.data(), nonce.data()), 1);
  if (!aad.empty()) {
    EXPECT_EQ(
        EVP_EncryptUpdate(ctx.get(), nullptr, &written, aad.data(), static_cast<int>(aad.size())),
        1);
  }
  if (!plaintext.empty()) {
    EXPECT_EQ(EVP_EncryptUpdate(ctx.get(), sealed.ciphertext.data(), &written, plaintext.data(),
                                static_cast<int>(plaintext.size())),
              1);
  }
  EXPECT_EQ(EVP_EncryptFinal_ex(ctx.get(), scratch, &written), 1);
  EXPECT_EQ(EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_GET_TAG, 16, sealed.tag.data()), 1);
  return sealed;
}

ByteString randomBytes(std::mt19937& rng, std::size_t n) {
  ByteString out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

// Every length from 0 to 300, in random chunks for the stream.
TEST(FromScratchChaCha, AgreesWithOpenSSL) {
  std::mt19937 rng(7539);
  for (std::size_t n = 0; n <= 300; ++n) {
    const ByteString key = randomBytes(rng, 32);
    const ByteString nonce = randomBytes(rng, 12);
    const ByteString data = randomBytes(rng, n);
    const auto counter = static_cast<std::uint32_t>(rng() >> 1);
    auto stream = examples::ChaCha20<>::start(key, nonce, counter);
    ASSERT_TRUE(stream);
    ByteString out;
    for (std::size_t at = 0; at < n;) {
      const std::size_t take = std::min<std::size_t>(n - at, rng() % 70);
      const ByteString piece = stream
                                   ->apply(ByteString(data.begin() + static_cast<long>(at),
                                                      data.begin() + static_cast<long>(at + take)))
                                   .value();
      out.insert(out.end(), piece.begin(), piece.end());
      at += take;
    }
    ASSERT_EQ(toHex(out), toHex(opensslChaCha20(key, nonce, counter, data))) << n;
    const auto poly = examples::Poly1305<>::buildKey(key);
    ASSERT_EQ(toHex(poly->tag(data)), toHex(opensslPoly1305(key, data))) << n;
    const ByteString aad = randomBytes(rng, rng() % 40);
    const AeadSealed expected = opensslChaCha20Poly1305(key, nonce, aad, data);
    const auto aead = examples::ChaCha20Poly1305<>::buildKey(key);
    ASSERT_EQ(aead->seal(nonce, aad, data), expected) << n;
  }
}

// ---- The laws on correct implementations ----

using ChaCha = examples::ChaCha20<>;
using Poly = examples::Poly1305<>;
using ChaChaPoly = examples::ChaCha20Poly1305<>;
using AesGcm = GcmAead<examples::AES128>;
using AesCcm = CcmAead<examples::AES128>;

// A deterministic AEAD, for the laws' nonce-free form: ChaCha20-Poly1305 under one fixed nonce.
class FixedNonceChaChaPoly {
 public:
  static long keyLength() { return 256; }
  static long tagLength() { return 128; }
  static std::optional<FixedNonceChaChaPoly> buildKey(const ByteString& key) {
    std::optional<ChaChaPoly> inner = ChaChaPoly::buildKey(key);
    if (!inner) return std::nullopt;
    return FixedNonceChaChaPoly(*inner);
  }
  AeadSealed seal(const ByteString& aad, const ByteString& plaintext) const {
    return inner_.seal(ByteString(12, 0x24), aad, plaintext);
  }
  std::optional<ByteString> open(const ByteString& aad, const ByteString& ciphertext,
                                 const ByteString& tag) const {
    return inner_.open(ByteString(12, 0x24), aad, ciphertext, tag);
  }

 private:
  explicit FixedNonceChaChaPoly(ChaChaPoly inner) : inner_(std::move(inner)) {}
  ChaChaPoly inner_;
};

TEST(PrimitiveLaws, GroupsAndLeaves) {
  const Tree aead = makeAEADPropTests<ChaChaPoly>({.slow = true});
  EXPECT_EQ(aead.name(), "AEAD Property Tests");
  EXPECT_EQ(leafNames(aead),
            (Names{"RoundTripEdgeLengths", "RoundTrip", "LazyStrictEqual", "SealedLengths",
                   "SealIsDeterministic", "EveryFlippedBitRefused", "FlippedBitRefusedDrawn",
                   "ChangedTagLengthRefused", "WrongNonceLengthRefused", "NothingReleasedOnBadTag",
                   "CopyAgrees", "KeyWorksAfterRefusals", "EqualKeyBytesEqualKeys",
                   "Long64KiBPlus1", "Long1MiB"}));
  EXPECT_EQ(aead.children().back().name(), "Slow");
  EXPECT_EQ(makeAEADPropTests<ChaChaPoly>().children().back().name(), "Long64KiBPlus1");
  const Tree stream = makeStreamCipherPropTests<ChaCha>({.slow = true});
  EXPECT_EQ(stream.name(), "Stream Cipher Property Tests");
  EXPECT_EQ(leafNames(stream),
            (Names{"XorTwiceIsIdentity", "SuccessiveCallsEqualOneCall", "LazyEqualsOneCall",
                   "CloneContinuesIdentically", "StartAtCounterEqualsSkip", "CounterSpaceEnd",
                   "RefusedCallLeavesStreamUnmoved", "WrongKeyLengthRefused",
                   "WrongNonceLengthRefused", "KeySensitivity", "NonceSensitivity",
                   "EqualBytesEqualStreams", "Long64KiBPlus1", "Long1MiB"}));
  const Tree mac = makeMACPropTests<Poly>({.slow = true});
  EXPECT_EQ(mac.name(), "MAC Property Tests");
  EXPECT_EQ(leafNames(mac), (Names{"LazyStrictEqual", "TagLength", "Deterministic",
                                   "KeySensitivity", "MessageSensitivity", "CopyAgrees",
                                   "EqualKeyBytesEqualTags", "Long64KiBPlus1", "Long1MiB"}));
}

TEST(PrimitiveLaws, HoldForTheFromScratchPrimitives) {
  EXPECT_EQ(failing(makeStreamCipherPropTests<ChaCha>({.slow = true})), Names{});
  EXPECT_EQ(failing(makeMACPropTests<Poly>({.slow = true})), Names{});
  EXPECT_EQ(failing(makeAEADPropTests<ChaChaPoly>({.slow = true})), Names{});
}

TEST(PrimitiveLaws, HoldForGcmAndCcmOverOpenSSLAes) {
  EXPECT_EQ(failing(makeAEADPropTests<AesGcm>({.slow = true})), Names{});
  EXPECT_EQ(failing(makeAEADPropTests<AesCcm>({.slow = true})), Names{});
}

TEST(PrimitiveLaws, DeterministicAeadGetsTheLawsWithoutNonces) {
  const Tree laws = makeAEADPropTests(FixedNonceChaChaPoly::buildKey(ByteString(32)).value());
  const Names names = leafNames(laws);
  EXPECT_EQ(std::count(names.begin(), names.end(), "WrongNonceLengthRefused"), 0);
  EXPECT_EQ(names.size(), 13u);
  EXPECT_EQ(failing(laws), Names{});
}

// ---- Each fault caught by its law ----

TEST(PrimitiveFaults, ChaChaCounterInWrongWord) {
  const Tree laws = makeStreamCipherPropTests<examples::ChaCha20<ChaChaFault::CounterInWord13>>();
  EXPECT_EQ(failing(laws), (Names{"StartAtCounterEqualsSkip", "Long64KiBPlus1"}));
  EXPECT_TRUE(contains(failureText(laws, "Long64KiBPlus1"),
                       "from counter 1 differs from one call from counter 0"))
      << failureText(laws, "Long64KiBPlus1");
}

TEST(PrimitiveFaults, ChaChaWrappingItsCounter) {
  const Tree laws = makeStreamCipherPropTests<examples::ChaCha20<ChaChaFault::WrapsCounter>>();
  EXPECT_EQ(failing(laws), (Names{"CounterSpaceEnd", "RefusedCallLeavesStreamUnmoved"}));
  EXPECT_TRUE(contains(failureText(laws, "CounterSpaceEnd"),
                       "apply of 65 bytes from counter 2^32 - 1 went through"))
      << failureText(laws, "CounterSpaceEnd");
}

TEST(PrimitiveFaults, ChaChaDroppingThePartialBlock) {
  const Tree laws = makeStreamCipherPropTests<examples::ChaCha20<ChaChaFault::DropsPartialBlock>>();
  EXPECT_EQ(failing(laws),
            (Names{"SuccessiveCallsEqualOneCall", "LazyEqualsOneCall", "CloneContinuesIdentically",
                   "CounterSpaceEnd", "RefusedCallLeavesStreamUnmoved", "Long64KiBPlus1"}));
  EXPECT_TRUE(contains(failureText(laws, "SuccessiveCallsEqualOneCall"), "apply call after call"));
}

TEST(PrimitiveFaults, Poly1305DroppingTheFinalCarryOnlyKnownAnswersSee) {
  using Broken = examples::Poly1305<Poly1305Fault::DropsFinalCarry>;
  // tag and tagLazy agree on the wrong tags, so no law can tell.
  EXPECT_EQ(failing(makeMACPropTests<Broken>()), Names{});
  const auto key =
      Broken::buildKey(hex("85d6be7857556d337f4452fe42d506a80103808afb0db2fd4abff6af4149f51b"));
  EXPECT_NE(toHex(key->tag(bytesOf("Cryptographic Forum Research Group"))),
            "a8061dc1305136c6c22b8baf0c0127a9");
}

TEST(PrimitiveFaults, Poly1305LazyRestartingPerChunk) {
  const Tree laws = makeMACPropTests<examples::Poly1305<Poly1305Fault::LazyRestartsPerChunk>>();
  EXPECT_EQ(failing(laws), (Names{"LazyStrictEqual", "Long64KiBPlus1"}));
  EXPECT_TRUE(contains(failureText(laws, "LazyStrictEqual"), "tagLazy over the chunks"));
}

TEST(PrimitiveFaults, AeadReleasingPlaintextOnABadTag) {
  const Tree laws = makeAEADPropTests<examples::ChaCha20Poly1305<AeadFault::ReleasesOnBadTag>>();
  EXPECT_EQ(failing(laws),
            (Names{"EveryFlippedBitRefused", "FlippedBitRefusedDrawn", "ChangedTagLengthRefused",
                   "NothingReleasedOnBadTag", "Long64KiBPlus1"}));
  EXPECT_TRUE(
      contains(failureText(laws, "NothingReleasedOnBadTag"), "(the plaintext) instead of refusing"))
      << failureText(laws, "NothingReleasedOnBadTag");
}

TEST(PrimitiveFaults, AeadPaddingAadPerLazyChunk) {
  const Tree laws = makeAEADPropTests<examples::ChaCha20Poly1305<AeadFault::LazyPadsAadPerChunk>>();
  EXPECT_EQ(failing(laws),
            (Names{"RoundTripEdgeLengths", "RoundTrip", "LazyStrictEqual", "Long64KiBPlus1"}));
  EXPECT_TRUE(contains(failureText(laws, "LazyStrictEqual"), "the tag differs"))
      << failureText(laws, "LazyStrictEqual");
}

TEST(PrimitiveFaults, AeadIgnoringTheLastAadByte) {
  const Tree laws = makeAEADPropTests<examples::ChaCha20Poly1305<AeadFault::IgnoresLastAadByte>>();
  EXPECT_EQ(failing(laws), (Names{"EveryFlippedBitRefused", "FlippedBitRefusedDrawn"}));
  EXPECT_TRUE(contains(failureText(laws, "EveryFlippedBitRefused"),
                       "open of the message with bit 32 (byte 4, mask 01) of the AAD flipped"))
      << failureText(laws, "EveryFlippedBitRefused");
}

TEST(PrimitiveFaults, AeadAcceptingATruncatedTag) {
  const Tree laws = makeAEADPropTests<examples::ChaCha20Poly1305<AeadFault::AcceptsTruncatedTag>>();
  EXPECT_EQ(failing(laws), (Names{"ChangedTagLengthRefused"}));
  EXPECT_TRUE(contains(failureText(laws, "ChangedTagLengthRefused"),
                       "open with the tag of 16 bytes cut to 0 bytes"))
      << failureText(laws, "ChangedTagLengthRefused");
}

}  // namespace
}  // namespace kavrit::test
