// The adapters of ChaCha20, RC4, Poly1305 and the AEADs (ChaCha20-Poly1305, XChaCha20-Poly1305,
// AES-EAX, AES-SIV, AES-GCM-SIV): the implementations of each algorithm agree on random inputs
// through the strict and the chunked entry points, each passes the RFC examples once, the ChaCha20
// streams stop at the end of the 32-bit counter, and every AEAD refuses a bad tag.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "botan_primitives.hpp"
#include "kavrit/test/any_aead.hpp"
#include "kavrit/test/any_mac.hpp"
#include "kavrit/test/any_stream_cipher.hpp"
#include "kavrit/test/hex.hpp"
#include "nettle/nettle_arcfour.hpp"
#include "nettle/nettle_chacha.hpp"
#include "nettle/nettle_eax.hpp"
#include "nettle/nettle_siv.hpp"
#include "openssl/openssl_aes_gcm_siv.hpp"
#include "openssl/openssl_aes_siv.hpp"
#include "openssl/openssl_chacha20.hpp"
#include "openssl/openssl_rc4.hpp"
#include "openssl/openssl_xchacha20_poly1305.hpp"

namespace kavrit::test {
namespace {

using namespace kavrit::examples;

const std::vector<std::size_t> kLengths{0, 1, 63, 64, 65, 1000};

ByteString randomBytes(std::mt19937& rng, std::size_t n) {
  ByteString out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

// `bytes` in chunks of 1 to 70 bytes.
LazyByteString chunked(const ByteString& bytes, std::mt19937& rng) {
  LazyByteString out;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t n = std::min<std::size_t>(1 + rng() % 70, bytes.size() - at);
    out.append(ByteString(bytes.begin() + static_cast<long>(at),
                          bytes.begin() + static_cast<long>(at + n)));
    at += n;
  }
  return out;
}

const ByteString kSunscreen = [] {
  const std::string text =
      "Ladies and Gentlemen of the class of '99: If I could offer you only one tip for the "
      "future, sunscreen would be it.";
  return ByteString(text.begin(), text.end());
}();

// Every stream gives what the first gives over successive strict calls of each length in
// kLengths, then a chunked 1000-byte call.
void expectStreamsAgree(const std::vector<const AnyStreamCipher*>& ciphers, std::size_t keyBytes,
                        std::size_t nonceBytes, bool counted) {
  std::mt19937 rng(keyBytes * 31 + nonceBytes);
  for (int trial = 0; trial < 3; ++trial) {
    const ByteString key = randomBytes(rng, keyBytes);
    const ByteString nonce = randomBytes(rng, nonceBytes);
    const std::uint64_t counter = counted ? rng() % 100000 : 0;
    std::vector<std::unique_ptr<AnyStream>> streams;
    for (const AnyStreamCipher* c : ciphers) {
      streams.push_back(c->start(key, nonce, counter));
      ASSERT_NE(streams.back(), nullptr);
    }
    for (std::size_t length : kLengths) {
      const ByteString text = randomBytes(rng, length);
      const std::optional<ByteString> first = streams[0]->apply(text);
      ASSERT_TRUE(first);
      for (std::size_t i = 1; i < streams.size(); ++i) {
        EXPECT_EQ(streams[i]->apply(text), first) << "implementation " << i << ", " << length;
      }
    }
    const ByteString text = randomBytes(rng, 1000);
    const std::optional<ByteString> first = streams[0]->clone()->apply(text);
    for (std::size_t i = 0; i < streams.size(); ++i) {
      EXPECT_EQ(streams[i]->applyLazy(chunked(text, rng)), first) << "implementation " << i;
    }
  }
}

TEST(PrimitiveAdapters, ChaCha20ImplementationsAgree) {
  expectStreamsAgree({&anyStreamCipher<OpenSSLChaCha20>(), &anyStreamCipher<NettleChaCha20>(),
                      &anyStreamCipher<BotanChaCha20>()},
                     32, 12, true);
}

TEST(PrimitiveAdapters, RC4ImplementationsAgree) {
  const std::vector<const AnyStreamCipher*> rc4{&anyStreamCipher<OpenSSLRC4>(),
                                                &anyStreamCipher<NettleArcfour>(),
                                                &anyStreamCipher<BotanRC4>()};
  for (std::size_t keyBytes : {5, 16, 256}) expectStreamsAgree(rc4, keyBytes, 0, false);
  for (const AnyStreamCipher* c : rc4) {
    EXPECT_EQ(c->start(ByteString(4), {}, 0), nullptr);
    EXPECT_EQ(c->start(ByteString(257), {}, 0), nullptr);
    EXPECT_EQ(c->start(ByteString(16), ByteString(1), 0), nullptr);
    EXPECT_EQ(c->start(ByteString(16), {}, 1), nullptr);
  }
}

TEST(PrimitiveAdapters, ChaCha20Rfc7539Example) {
  ByteString key(32);
  for (std::size_t i = 0; i < 32; ++i) key[i] = static_cast<std::uint8_t>(i);
  const ByteString nonce = hexStringToBS("000000000000004a00000000");
  const ByteString expected = hexStringToBS(
      "6e2e359a2568f98041ba0728dd0d6981e97e7aec1d4360c20a27afccfd9fae0bf91b65c5524733ab8f593dab"
      "cd62b3571639d624e65152ab8f530c359f0861d807ca0dbf500d6a6156a38e088a22b65e52bc514d16ccf806"
      "818ce91ab77937365af90bbf74a35be6b40b8eedf2785e42874d");
  for (const AnyStreamCipher* c :
       {&anyStreamCipher<OpenSSLChaCha20>(), &anyStreamCipher<NettleChaCha20>(),
        &anyStreamCipher<BotanChaCha20>()}) {
    EXPECT_EQ(c->start(key, nonce, 1)->apply(kSunscreen), expected);
  }
}

// From block 2^32 - 1 one block goes through; a call that needs more is refused and leaves the
// stream where it was.
TEST(PrimitiveAdapters, ChaCha20StopsAtTheEndOfTheCounter) {
  std::mt19937 rng(7);
  const ByteString key = randomBytes(rng, 32);
  const ByteString nonce = randomBytes(rng, 12);
  std::optional<ByteString> lastBlock;
  for (const AnyStreamCipher* c :
       {&anyStreamCipher<OpenSSLChaCha20>(), &anyStreamCipher<NettleChaCha20>(),
        &anyStreamCipher<BotanChaCha20>()}) {
    EXPECT_EQ(c->start(key, nonce, std::uint64_t{1} << 32), nullptr);
    EXPECT_EQ(c->start(ByteString(31), nonce, 0), nullptr);
    EXPECT_EQ(c->start(key, ByteString(8), 0), nullptr);

    std::unique_ptr<AnyStream> fresh = c->start(key, nonce, 0xffffffffU);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->apply(ByteString(65)), std::nullopt);
    EXPECT_EQ(fresh->applyLazy(chunked(ByteString(65), rng)), std::nullopt);

    std::unique_ptr<AnyStream> stream = c->start(key, nonce, 0xffffffffU);
    const std::optional<ByteString> block = stream->apply(ByteString(64));
    ASSERT_TRUE(block);
    EXPECT_EQ(stream->apply(ByteString(1)), std::nullopt);
    EXPECT_EQ(stream->apply({}), ByteString());
    EXPECT_EQ(fresh->apply(ByteString(64)), block) << "a refused call moved the stream";
    if (lastBlock) {
      EXPECT_EQ(block, lastBlock);
    }
    lastBlock = block;
  }
}

TEST(PrimitiveAdapters, Poly1305) {
  const ByteString key =
      hexStringToBS("85d6be7857556d337f4452fe42d506a80103808afb0db2fd4abff6af4149f51b");
  const std::string message = "Cryptographic Forum Research Group";
  const std::vector<const AnyMac*> macs{&anyMac<OpenSSLPoly1305>(), &anyMac<BotanPoly1305>()};
  for (const AnyMac* m : macs) {
    EXPECT_EQ(m->buildKey(key)->tag(ByteString(message.begin(), message.end())),
              hexStringToBS("a8061dc1305136c6c22b8baf0c0127a9"));
    EXPECT_EQ(m->buildKey(ByteString(16)), nullptr);
  }
  std::mt19937 rng(5);
  for (std::size_t length : kLengths) {
    const ByteString k = randomBytes(rng, 32);
    const ByteString text = randomBytes(rng, length);
    const ByteString tag = macs[0]->buildKey(k)->tag(text);
    for (const AnyMac* m : macs) EXPECT_EQ(m->buildKey(k)->tagLazy(chunked(text, rng)), tag);
  }
}

// Every AEAD seals as the first does, strict and chunked, for each plaintext length in kLengths
// with AAD of assorted lengths; each opens the first's output, strict and chunked, and refuses it
// with a changed tag, a changed ciphertext or a short tag. A deterministic AEAD takes nonces of
// length 0 here.
void expectAeadsAgree(const std::vector<const AnyAead*>& aeads, std::size_t keyBytes,
                      const std::vector<std::size_t>& nonceLengths) {
  std::mt19937 rng(keyBytes * 7 + aeads.size());
  for (std::size_t round = 0; round < kLengths.size(); ++round) {
    const ByteString key = randomBytes(rng, keyBytes);
    const ByteString nonce = randomBytes(rng, nonceLengths[round % nonceLengths.size()]);
    const ByteString aad = randomBytes(rng, kLengths[(round + 2) % kLengths.size()]);
    const ByteString plaintext = randomBytes(rng, kLengths[round]);
    const AeadSealed sealed = aeads[0]->buildKey(key)->seal(nonce, aad, plaintext);
    ASSERT_EQ(sealed.ciphertext.size(), plaintext.size());
    ByteString badTag = sealed.tag;
    badTag[rng() % badTag.size()] ^= static_cast<std::uint8_t>(1 << (rng() % 8));
    for (std::size_t i = 0; i < aeads.size(); ++i) {
      SCOPED_TRACE("implementation " + std::to_string(i) + ", plaintext " +
                   std::to_string(plaintext.size()) + ", AAD " + std::to_string(aad.size()) +
                   ", nonce " + std::to_string(nonce.size()));
      const std::unique_ptr<const AnyAeadKey> k = aeads[i]->buildKey(key);
      ASSERT_NE(k, nullptr);
      EXPECT_EQ(k->seal(nonce, aad, plaintext), sealed);
      EXPECT_EQ(k->sealLazy(nonce, chunked(aad, rng), chunked(plaintext, rng)), sealed);
      EXPECT_EQ(k->open(nonce, aad, sealed.ciphertext, sealed.tag), plaintext);
      EXPECT_EQ(k->openLazy(nonce, chunked(aad, rng), chunked(sealed.ciphertext, rng), sealed.tag),
                plaintext);
      EXPECT_EQ(k->open(nonce, aad, sealed.ciphertext, badTag), std::nullopt);
      EXPECT_EQ(k->openLazy(nonce, chunked(aad, rng), chunked(sealed.ciphertext, rng), badTag),
                std::nullopt);
      EXPECT_EQ(k->open(nonce, aad, sealed.ciphertext,
                        ByteString(sealed.tag.begin(), sealed.tag.end() - 1)),
                std::nullopt);
      if (!plaintext.empty()) {
        ByteString changed = sealed.ciphertext;
        changed[rng() % changed.size()] ^= 0x80;
        EXPECT_EQ(k->open(nonce, aad, changed, sealed.tag), std::nullopt);
      }
      EXPECT_EQ(aeads[i]->buildKey(ByteString(keyBytes + 1)), nullptr);
    }
  }
}

// Nonces of a length the AEAD does not take: seal throws, open refuses.
void expectNonceRefused(const AnyAead& aead, std::size_t keyBytes, std::size_t nonceBytes) {
  const std::unique_ptr<const AnyAeadKey> key = aead.buildKey(ByteString(keyBytes, 1));
  const ByteString nonce(nonceBytes, 2);
  EXPECT_FALSE(aead.acceptsNonceLength(static_cast<long>(nonceBytes * 8)));
  EXPECT_THROW((void)key->seal(nonce, {}, ByteString(3)), std::invalid_argument);
  EXPECT_EQ(key->open(nonce, {}, ByteString(3), ByteString(16)), std::nullopt);
}

TEST(PrimitiveAdapters, ChaCha20Poly1305) {
  const std::vector<const AnyAead*> aeads{&anyAead<OpenSSLChaCha20Poly1305>(),
                                          &anyAead<NettleChaCha20Poly1305>(),
                                          &anyAead<BotanChaCha20Poly1305>()};
  expectAeadsAgree(aeads, 32, {12});
  ByteString key(32);
  for (std::size_t i = 0; i < 32; ++i) key[i] = static_cast<std::uint8_t>(0x80 + i);
  const ByteString nonce = hexStringToBS("070000004041424344454647");
  const ByteString aad = hexStringToBS("50515253c0c1c2c3c4c5c6c7");
  const AeadSealed expected{
      hexStringToBS("d31a8d34648e60db7b86afbc53ef7ec2a4aded51296e08fea9e2b5a736ee62d63dbea45e8c"
                    "a9671282fafb69da92728b1a71de0a9e060b2905d6a5b67ecd3b3692ddbd7f2d778b8c9803"
                    "aee328091b58fab324e4fad675945585808b4831d7bc3ff4def08e4b7a9de576d26586cec6"
                    "4b6116"),
      hexStringToBS("1ae10b594f09e26a7e902ecbd0600691")};
  for (const AnyAead* a : aeads) {
    EXPECT_EQ(a->buildKey(key)->seal(nonce, aad, kSunscreen), expected);
    expectNonceRefused(*a, 32, 8);
    expectNonceRefused(*a, 32, 24);
  }
}

TEST(PrimitiveAdapters, XChaCha20Poly1305) {
  const std::vector<const AnyAead*> aeads{&anyAead<OpenSSLXChaCha20Poly1305>(),
                                          &anyAead<BotanXChaCha20Poly1305>()};
  expectAeadsAgree(aeads, 32, {24});
  ByteString key(32);
  ByteString nonce(24);
  for (std::size_t i = 0; i < 32; ++i) key[i] = static_cast<std::uint8_t>(0x80 + i);
  for (std::size_t i = 0; i < 24; ++i) nonce[i] = static_cast<std::uint8_t>(0x40 + i);
  const AeadSealed expected{
      hexStringToBS("bd6d179d3e83d43b9576579493c0e939572a1700252bfaccbed2902c21396cbb731c7f1b0b"
                    "4aa6440bf3a82f4eda7e39ae64c6708c54c216cb96b72e1213b4522f8c9ba40db5d945b11b"
                    "69b982c1bb9e3f3fac2bc369488f76b2383565d3fff921f9664c97637da9768812f615c68b"
                    "13b52e"),
      hexStringToBS("c0875924c1c7987947deafd8780acf49")};
  for (const AnyAead* a : aeads) {
    EXPECT_EQ(a->buildKey(key)->seal(nonce, hexStringToBS("50515253c0c1c2c3c4c5c6c7"), kSunscreen),
              expected);
    expectNonceRefused(*a, 32, 12);
  }
}

TEST(PrimitiveAdapters, AesEax) {
  // Nonces of any whole number of bytes, none at all included.
  expectAeadsAgree({&anyAead<NettleAesEax<128>>(), &anyAead<BotanAesEax<128>>()}, 16,
                   {16, 0, 1, 12, 257});
  expectAeadsAgree({&anyAead<NettleAesEax<192>>(), &anyAead<BotanAesEax<192>>()}, 24, {16});
  expectAeadsAgree({&anyAead<NettleAesEax<256>>(), &anyAead<BotanAesEax<256>>()}, 32, {16, 0});
  // The first vector of eprint.iacr.org/2003/069.
  for (const AnyAead* a : {&anyAead<NettleAesEax<128>>(), &anyAead<BotanAesEax<128>>()}) {
    EXPECT_EQ(a->buildKey(hexStringToBS("233952dee4d5ed5f9b9c6d6ff80ff478"))
                  ->seal(hexStringToBS("62ec67f9c3a4a407fcb2a8c49031a8b3"),
                         hexStringToBS("6bfb914fd07eae6b"), {}),
              (AeadSealed{{}, hexStringToBS("e037830e8389f27b025a2d6527e79d01")}));
  }
}

TEST(PrimitiveAdapters, AesSiv) {
  expectAeadsAgree(
      {&anyAead<OpenSSLAesSiv<256>>(), &anyAead<NettleAesSiv<256>>(), &anyAead<BotanAesSiv<256>>()},
      32, {0});
  expectAeadsAgree(
      {&anyAead<OpenSSLAesSiv<384>>(), &anyAead<NettleAesSiv<384>>(), &anyAead<BotanAesSiv<384>>()},
      48, {0});
  expectAeadsAgree(
      {&anyAead<OpenSSLAesSiv<512>>(), &anyAead<NettleAesSiv<512>>(), &anyAead<BotanAesSiv<512>>()},
      64, {0});
  // RFC 5297 A.1, and an empty AAD as one empty component (Wycheproof's tcId 2).
  for (const AnyAead* a : {&anyAead<OpenSSLAesSiv<256>>(), &anyAead<NettleAesSiv<256>>(),
                           &anyAead<BotanAesSiv<256>>()}) {
    EXPECT_EQ(a->buildKey(hexStringToBS("fffefdfcfbfaf9f8f7f6f5f4f3f2f1f0f0f1f2f3f4f5f6f7f8f9fafb"
                                        "fcfdfeff"))
                  ->seal({}, hexStringToBS("101112131415161718191a1b1c1d1e1f2021222324252627"),
                         hexStringToBS("112233445566778899aabbccddee")),
              (AeadSealed{hexStringToBS("40c02b9690c4dc04daef7f6afe5c"),
                          hexStringToBS("85632d07c6e8f37f950acd320a2ecc93")}));
    EXPECT_EQ(a->buildKey(hexStringToBS("2b27e429fb6c02678e589ccc4437c5adfb44b331ab6d21ea321727e6"
                                        "ec03d354"))
                  ->seal({}, {}, {}),
              (AeadSealed{{}, hexStringToBS("b2b2354e3724dcdaa85ecf029b49a90c")}));
  }
}

TEST(PrimitiveAdapters, AesGcmSiv) {
  // One implementation only: RFC 8452's examples, its refusals, and its own round trips.
  const AnyAead& aes128 = anyAead<OpenSSLAesGcmSiv<128>>();
  const AnyAead& aes256 = anyAead<OpenSSLAesGcmSiv<256>>();
  const ByteString nonce = hexStringToBS("030000000000000000000000");
  EXPECT_EQ(aes128.buildKey(hexStringToBS("01000000000000000000000000000000"))->seal(nonce, {}, {}),
            (AeadSealed{{}, hexStringToBS("dc20e2d83f25705bb49e439eca56de25")}));
  EXPECT_EQ(
      aes128.buildKey(hexStringToBS("01000000000000000000000000000000"))
          ->seal(nonce, hexStringToBS("01"),
                 hexStringToBS("02000000000000000000000000000000030000000000000000000000000000"
                               "0004000000000000000000000000000000")),
      (AeadSealed{hexStringToBS("50c8303ea93925d64090d07bd109dfd9515a5a33431019c17d93465999"
                                "a8b0053201d723120a8562b838cdff25bf9d1e"),
                  hexStringToBS("6a8cc3865f76897c2e4b245cf31c51f2")}));
  EXPECT_EQ(aes256
                .buildKey(hexStringToBS("01000000000000000000000000000000000000000000000000000000"
                                        "00000000"))
                ->seal(nonce, hexStringToBS("01"),
                       hexStringToBS("0200000000000000000000000000000003000000000000000000000000"
                                     "000000")),
            (AeadSealed{hexStringToBS("07dad364bfc2b9da89116d7bef6daaaf6f255510aa654f920ac81b94e8"
                                      "bad365"),
                        hexStringToBS("aea1bad12702e1965604374aab96dbbc")}));
  expectAeadsAgree({&aes128}, 16, {12});
  expectAeadsAgree({&aes256}, 32, {12});
  expectNonceRefused(aes128, 16, 16);
}

}  // namespace
}  // namespace kavrit::test
