// The laws of the authenticated-encryption modes (kavrit/test/gcm.hpp, kavrit/test/ccm.hpp): what
// is sealed opens again, the lazy forms agree with the strict ones, and any one flipped bit is
// refused.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/ccm.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/vector_files.hpp"
#include "laws/drawn_bytes.hpp"
#include "laws/drawn_keys.hpp"

namespace kavrit::test {
namespace {

// 96-bit IVs take GCM's short path; every other length is hashed, so both are drawn often.
ByteString drawGcmIV() {
  const std::size_t length = *rc::gen::weightedOneOf<std::size_t>(
      {{1, rc::gen::just<std::size_t>(12)}, {2, rc::gen::inRange<std::size_t>(1, 41)}});
  return detail::pickBytes(arbitraryByteStringOfLength(length));
}

std::size_t drawTagBytes() { return *rc::gen::inRange<std::size_t>(4, 17); }

// "IV" stands for CCM's nonce as well.
std::string shape(const ByteString& iv, const ByteString& aad, std::size_t textBytes,
                  std::size_t tagBytes) {
  return "(IV of " + std::to_string(iv.size()) + " bytes, AAD of " + std::to_string(aad.size()) +
         ", text of " + std::to_string(textBytes) + ", tag of " + std::to_string(tagBytes) + ")";
}

void flipBit(ByteString& bytes, std::size_t bit) {
  bytes[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
}

}  // namespace

std::vector<Test> makeGCMPropTests(const AnyBlockCipher& cipher) {
  if (cipher.blockSize() != 128) return {};
  Test roundTrip = testProperty("RoundTrip", [&cipher](const RandomBytes& keySeed) {
    const auto key = detail::keyOrDiscard(cipher, keySeed);
    const ByteString iv = drawGcmIV();
    const ByteString aad = detail::pickBytes(arbitraryBoundaryByteString(16));
    const ByteString plaintext = detail::pickBytes(arbitraryBoundaryByteString(16));
    const std::size_t tagBytes = drawTagBytes();
    const AeadSealed sealed = key->gcmEncrypt(iv, aad, plaintext, tagBytes);
    const std::string where = shape(iv, aad, plaintext.size(), tagBytes);
    if (sealed.ciphertext.size() != plaintext.size() || sealed.tag.size() != tagBytes) {
      RC_FAIL("gcmEncrypt gives " + std::to_string(sealed.ciphertext.size()) +
              " bytes of ciphertext and a tag of " + std::to_string(sealed.tag.size()) + " " +
              where);
    }
    const std::optional<ByteString> opened =
        key->gcmDecrypt(iv, aad, sealed.ciphertext, sealed.tag);
    if (!opened) RC_FAIL("gcmDecrypt refuses what gcmEncrypt sealed " + where);
    if (!(*opened == plaintext)) {
      RC_FAIL("gcmDecrypt of what gcmEncrypt sealed is not the plaintext " + where);
    }
  });
  Test lazyStrict = testProperty("LazyStrictEqual", [&cipher](const RandomBytes& keySeed) {
    const auto key = detail::keyOrDiscard(cipher, keySeed);
    const ByteString iv = drawGcmIV();
    const LazyByteString aad = detail::pickLazyBytes(arbitraryBoundaryLazyByteString(16));
    const LazyByteString plaintext = detail::pickLazyBytes(arbitraryBoundaryLazyByteString(16));
    const std::size_t tagBytes = drawTagBytes();
    const AeadSealed strict = key->gcmEncrypt(iv, aad.flatten(), plaintext.flatten(), tagBytes);
    const std::string where = shape(iv, aad.flatten(), plaintext.size(), tagBytes);
    if (!(key->gcmEncryptLazy(iv, aad, plaintext, tagBytes) == strict)) {
      RC_FAIL("gcmEncryptLazy over the chunks seals otherwise than gcmEncrypt " + where);
    }
    const LazyByteString ciphertext = chunked(strict.ciphertext, 1 + plaintext.chunks().size());
    if (!(key->gcmDecryptLazy(iv, aad, ciphertext, strict.tag) ==
          std::optional(plaintext.flatten()))) {
      RC_FAIL("gcmDecryptLazy over the chunks does not open what gcmEncrypt sealed " + where);
    }
  });
  // Which part the flipped bit falls in: 0 ciphertext, 1 tag, 2 AAD, 3 IV.
  Test flipped = testProperty("AnyFlippedBitIsRefused", [&cipher](const RandomBytes& keySeed) {
    const auto key = detail::keyOrDiscard(cipher, keySeed);
    ByteString iv = drawGcmIV();
    ByteString aad = detail::pickBytes(arbitraryBoundaryByteString(16));
    const ByteString plaintext = detail::pickBytes(arbitraryBoundaryByteString(16));
    const std::size_t tagBytes = drawTagBytes();
    AeadSealed sealed = key->gcmEncrypt(iv, aad, plaintext, tagBytes);
    const std::string where = shape(iv, aad, plaintext.size(), tagBytes);
    static constexpr const char* kParts[] = {"ciphertext", "tag", "AAD", "IV"};
    ByteString* parts[] = {&sealed.ciphertext, &sealed.tag, &aad, &iv};
    const int part = *rc::gen::inRange(0, 4);
    RC_PRE(!parts[part]->empty());
    const std::size_t bit = *rc::gen::inRange<std::size_t>(0, parts[part]->size() * 8);
    flipBit(*parts[part], bit);
    const std::optional<ByteString> opened =
        key->gcmDecrypt(iv, aad, sealed.ciphertext, sealed.tag);
    if (opened) {
      RC_FAIL(std::string("gcmDecrypt accepts a message whose ") + kParts[part] + " has bit " +
              std::to_string(bit) + " flipped " + where);
    }
  });
  std::vector<Test> group;
  group.push_back(std::move(roundTrip));
  group.push_back(std::move(lazyStrict));
  group.push_back(std::move(flipped));
  std::vector<Test> out;
  out.push_back(testGroup("GCM Property Tests", std::move(group)));
  return out;
}

std::vector<Test> makeCCMPropTests(const AnyBlockCipher& cipher) {
  if (cipher.blockSize() != 128) return {};
  // Texts stay short enough for the smallest length field (q = 2 with a 13-byte nonce).
  const auto draw = [] {
    struct Drawn {
      ByteString nonce, aad, plaintext;
      std::size_t tagBytes;
    };
    const std::size_t nonceBytes = *rc::gen::inRange<std::size_t>(7, 14);
    return Drawn{detail::pickBytes(arbitraryByteStringOfLength(nonceBytes)),
                 detail::pickBytes(arbitraryBoundaryByteString(16)),
                 detail::pickBytes(arbitraryBoundaryByteString(16)),
                 2 * *rc::gen::inRange<std::size_t>(2, 9)};
  };
  Test roundTrip = testProperty("RoundTrip", [&cipher, draw](const RandomBytes& keySeed) {
    const auto key = detail::keyOrDiscard(cipher, keySeed);
    const auto d = draw();
    const AeadSealed sealed = key->ccmEncrypt(d.nonce, d.aad, d.plaintext, d.tagBytes);
    const std::string where = shape(d.nonce, d.aad, d.plaintext.size(), d.tagBytes);
    if (sealed.ciphertext.size() != d.plaintext.size() || sealed.tag.size() != d.tagBytes) {
      RC_FAIL("ccmEncrypt gives " + std::to_string(sealed.ciphertext.size()) +
              " bytes of ciphertext and a tag of " + std::to_string(sealed.tag.size()) + " " +
              where);
    }
    const std::optional<ByteString> opened =
        key->ccmDecrypt(d.nonce, d.aad, sealed.ciphertext, sealed.tag);
    if (!opened) RC_FAIL("ccmDecrypt refuses what ccmEncrypt sealed " + where);
    if (!(*opened == d.plaintext)) {
      RC_FAIL("ccmDecrypt of what ccmEncrypt sealed is not the plaintext " + where);
    }
  });
  // Which part the flipped bit falls in: 0 ciphertext, 1 tag, 2 AAD, 3 nonce.
  Test flipped =
      testProperty("AnyFlippedBitIsRefused", [&cipher, draw](const RandomBytes& keySeed) {
        const auto key = detail::keyOrDiscard(cipher, keySeed);
        auto d = draw();
        AeadSealed sealed = key->ccmEncrypt(d.nonce, d.aad, d.plaintext, d.tagBytes);
        const std::string where = shape(d.nonce, d.aad, d.plaintext.size(), d.tagBytes);
        static constexpr const char* kParts[] = {"ciphertext", "tag", "AAD", "nonce"};
        ByteString* parts[] = {&sealed.ciphertext, &sealed.tag, &d.aad, &d.nonce};
        const int part = *rc::gen::inRange(0, 4);
        RC_PRE(!parts[part]->empty());
        const std::size_t bit = *rc::gen::inRange<std::size_t>(0, parts[part]->size() * 8);
        flipBit(*parts[part], bit);
        if (key->ccmDecrypt(d.nonce, d.aad, sealed.ciphertext, sealed.tag)) {
          RC_FAIL(std::string("ccmDecrypt accepts a message whose ") + kParts[part] + " has bit " +
                  std::to_string(bit) + " flipped " + where);
        }
      });
  std::vector<Test> group;
  group.push_back(std::move(roundTrip));
  group.push_back(std::move(flipped));
  std::vector<Test> out;
  out.push_back(testGroup("CCM Property Tests", std::move(group)));
  return out;
}

}  // namespace kavrit::test
