// What GCM, CCM, KW and KWP must refuse (kavrit/test/refusal_laws.hpp). Every check tries one
// forged input and, when the implementation opens it, gives the text of the failure; unit cases
// throw it, properties fail with it.

#include "kavrit/test/refusal_laws.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/key_wrap.hpp"
#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/vector_files.hpp"
#include "laws/drawn_bytes.hpp"

namespace kavrit::test {

namespace detail {

ByteString wrapFromIntegrityValue(const AnyKey& key, const ByteString& a, const ByteString& r) {
  if (a.size() != 8 || r.empty() || r.size() % 8 != 0) {
    throw std::invalid_argument("wrapFromIntegrityValue: an integrity value of " +
                                std::to_string(a.size()) + " bytes and " +
                                std::to_string(r.size()) +
                                " bytes to wrap; it takes 8 and whole semiblocks");
  }
  if (r.size() == 8) {
    ByteString block = a;
    block.insert(block.end(), r.begin(), r.end());
    return kavrit::detail::encryptChecked(key, block);
  }
  return kavrit::detail::keyWrapRounds(key, a.data(), r);
}

}  // namespace detail

namespace {

using Failure = std::optional<std::string>;

// A pattern without zero bytes, different for each `salt`.
ByteString pattern(std::size_t n, unsigned salt) {
  ByteString out(n);
  for (std::size_t i = 0; i < n; ++i) {
    out[i] = static_cast<std::uint8_t>(1 + (i * 37 + salt * 101) % 255);
  }
  return out;
}

std::unique_ptr<const AnyKey> fixedKey(const AnyBlockCipher& cipher, ByteString& keyBytes) {
  keyBytes = keyMaterial(cipher.keyLength(), pattern(29, 7));
  std::unique_ptr<const AnyKey> key = cipher.buildKey(keyBytes);
  if (!key) throw AssertionFailure("buildKey refuses the key " + toHex(keyBytes));
  return key;
}

// The key of a drawn seed, its bytes kept for the report; a refused key discards the case.
std::unique_ptr<const AnyKey> drawnKey(const AnyBlockCipher& cipher, ByteString& keyBytes) {
  keyBytes = keyMaterial(cipher.keyLength(), (*rc::gen::arbitrary<RandomBytes>()).value);
  std::unique_ptr<const AnyKey> key = cipher.buildKey(keyBytes);
  RC_PRE(static_cast<bool>(key));
  return key;
}

// What an open gave: nothing when refused, std::invalid_argument counting as a refusal too.
template <class Open>
std::optional<ByteString> opened(Open&& open) {
  try {
    return open();
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
}

void throwIf(const Failure& failure) {
  if (failure) throw AssertionFailure(*failure);
}

void failIf(const Failure& failure) {
  if (failure) RC_FAIL(*failure);
}

// ---- GCM and CCM ----

// One message to open. "IV" is CCM's nonce as well.
struct Aead {
  ByteString key, iv, aad, ciphertext, tag;
};

std::string inputsText(const Aead& m, const std::string& ivName) {
  return "\n  key        " + toHex(m.key) + "\n  " + ivName + std::string(11 - ivName.size(), ' ') +
         toHex(m.iv) + "\n  AAD        " + toHex(m.aad) + "\n  ciphertext " + toHex(m.ciphertext) +
         "\n  tag        " + toHex(m.tag);
}

// gcmDecrypt, then gcmDecryptLazy in one chunk and in 5-byte chunks: the first that opens `m`.
Failure gcmOpens(const AnyKey& key, const Aead& m, const std::string& what) {
  const auto report = [&](const char* entry, const ByteString& plaintext) {
    return std::string(entry) + " accepts " + what + inputsText(m, "IV") + "\ngiving " +
           toHex(plaintext);
  };
  if (auto p = opened([&] { return key.gcmDecrypt(m.iv, m.aad, m.ciphertext, m.tag); })) {
    return report("gcmDecrypt", *p);
  }
  const LazyByteString whole(std::vector<ByteString>{m.aad});
  const LazyByteString text(std::vector<ByteString>{m.ciphertext});
  if (auto p = opened([&] { return key.gcmDecryptLazy(m.iv, whole, text, m.tag); })) {
    return report("gcmDecryptLazy (one chunk)", *p);
  }
  if (auto p = opened([&] {
        return key.gcmDecryptLazy(m.iv, chunked(m.aad, 5), chunked(m.ciphertext, 5), m.tag);
      })) {
    return report("gcmDecryptLazy (5-byte chunks)", *p);
  }
  return std::nullopt;
}

Failure ccmOpens(const AnyKey& key, const Aead& m, const std::string& what) {
  if (auto p = opened([&] { return key.ccmDecrypt(m.iv, m.aad, m.ciphertext, m.tag); })) {
    return "ccmDecrypt accepts " + what + inputsText(m, "nonce") + "\ngiving " + toHex(*p);
  }
  return std::nullopt;
}

enum class Construction { GCM, CCM };

Failure opens(Construction c, const AnyKey& key, const Aead& m, const std::string& what) {
  return c == Construction::GCM ? gcmOpens(key, m, what) : ccmOpens(key, m, what);
}

// A sealed message; fails when the construction does not open it, for then no refusal means
// anything.
Aead seal(Construction c, const AnyKey& key, const ByteString& keyBytes, const ByteString& iv,
          const ByteString& aad, const ByteString& plaintext, std::size_t tagBytes) {
  const AeadSealed sealed = c == Construction::GCM ? key.gcmEncrypt(iv, aad, plaintext, tagBytes)
                                                   : key.ccmEncrypt(iv, aad, plaintext, tagBytes);
  Aead m{keyBytes, iv, aad, sealed.ciphertext, sealed.tag};
  const std::optional<ByteString> back = c == Construction::GCM
                                             ? key.gcmDecrypt(iv, aad, m.ciphertext, m.tag)
                                             : key.ccmDecrypt(iv, aad, m.ciphertext, m.tag);
  if (!back || *back != plaintext) {
    throw AssertionFailure(std::string(c == Construction::GCM ? "gcmDecrypt" : "ccmDecrypt") +
                           " does not open what was sealed with a tag of " +
                           std::to_string(tagBytes) + " bytes" +
                           inputsText(m, c == Construction::GCM ? "IV" : "nonce"));
  }
  return m;
}

ByteString cut(const ByteString& bytes, std::size_t n) {
  return ByteString(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
}

// A message of fixed inputs: IV (or nonce), AAD and text of these lengths.
struct Shape {
  std::size_t iv, aad, text, tag;
};

// Both of GCM's ways to the first counter block (a 96-bit IV and a hashed one), texts over and
// under a block.
constexpr Shape kGcmShapes[] = {{12, 5, 17, 16}, {13, 16, 3, 4}, {1, 0, 0, 8}};
// CCM's shortest and longest nonce.
constexpr Shape kCcmShapes[] = {{7, 5, 17, 16}, {13, 20, 3, 4}, {10, 0, 0, 8}};

Aead sealShape(Construction c, const AnyKey& key, const ByteString& keyBytes, const Shape& s,
               unsigned salt) {
  return seal(c, key, keyBytes, pattern(s.iv, salt), pattern(s.aad, salt + 1),
              pattern(s.text, salt + 2), s.tag);
}

const char* kParts[] = {"ciphertext", "tag", "AAD", "IV"};

ByteString& part(Aead& m, int which) {
  ByteString* parts[] = {&m.ciphertext, &m.tag, &m.aad, &m.iv};
  return *parts[which];
}

std::size_t bitsOf(const Aead& m, int which) {
  const ByteString* parts[] = {&m.ciphertext, &m.tag, &m.aad, &m.iv};
  return 8 * parts[which]->size();
}

std::string partName(Construction c, int which) {
  return c == Construction::CCM && which == 3 ? "nonce" : kParts[which];
}

Failure flippedBit(Construction c, const AnyKey& key, const Aead& sealed, int which,
                   std::size_t bit) {
  Aead m = sealed;
  part(m, which)[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
  return opens(c, key, m,
               "a forgery: bit " + std::to_string(bit) + " (byte " + std::to_string(bit / 8) +
                   ", mask " + toHex(ByteString{static_cast<std::uint8_t>(1u << (bit % 8))}) +
                   ") of the " + partName(c, which) + " flipped");
}

Failure everyFlippedBit(Construction c, const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = fixedKey(cipher, keyBytes);
  unsigned salt = 0;
  for (const Shape& s : c == Construction::GCM ? kGcmShapes : kCcmShapes) {
    const Aead sealed = sealShape(c, *key, keyBytes, s, salt += 3);
    for (int which = 0; which < 4; ++which) {
      for (std::size_t bit = 0; bit < bitsOf(sealed, which); ++bit) {
        if (auto failure = flippedBit(c, *key, sealed, which, bit)) return failure;
      }
    }
  }
  return std::nullopt;
}

std::string tagText(std::size_t length, const std::string& how) {
  return "a tag of " + std::to_string(length) + (length == 1 ? " byte" : " bytes") + " (" + how +
         ")";
}

Failure withTag(Construction c, const AnyKey& key, const Aead& sealed, ByteString tag,
                const std::string& what) {
  Aead m = sealed;
  m.tag = std::move(tag);
  return opens(c, key, m, what);
}

// Tags under 4 bytes: fixed bytes, and the valid tag's own first bytes.
Failure gcmShortTags(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = fixedKey(cipher, keyBytes);
  unsigned salt = 40;
  for (const Shape& s : kGcmShapes) {
    const Aead sealed =
        sealShape(Construction::GCM, *key, keyBytes, {s.iv, s.aad, s.text, 16}, salt += 3);
    for (std::size_t n = 0; n < 4; ++n) {
      const std::pair<ByteString, const char*> tags[] = {{ByteString(n, 0x00), "zeros"},
                                                         {ByteString(n, 0xff), "0xff bytes"},
                                                         {cut(sealed.tag, n), "the valid tag's"}};
      for (const auto& [tag, how] : tags) {
        if (auto failure =
                withTag(Construction::GCM, *key, sealed, tag, tagText(n, how) + ", under 4")) {
          return failure;
        }
      }
    }
  }
  return std::nullopt;
}

// Each tag length GCM makes, cut below 4 bytes, over texts of 0 to 3 blocks.
Failure gcmTruncatedTags(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = fixedKey(cipher, keyBytes);
  unsigned salt = 80;
  for (const std::size_t ivBytes : {12u, 7u}) {
    for (const std::size_t textBytes : {0u, 1u, 16u, 33u}) {
      for (std::size_t t = 4; t <= 16; ++t) {
        const Aead sealed = sealShape(Construction::GCM, *key, keyBytes,
                                      {ivBytes, textBytes / 2, textBytes, t}, salt += 3);
        for (std::size_t n = 0; n < 4; ++n) {
          if (auto failure = withTag(Construction::GCM, *key, sealed, cut(sealed.tag, n),
                                     "the tag made with " + std::to_string(t) + " bytes cut to " +
                                         std::to_string(n))) {
            return failure;
          }
        }
      }
    }
  }
  return std::nullopt;
}

// The lengths CCM has no tag of, each tag made of the valid tag's bytes where it can be: the
// lengths around it cut or extended, so that comparing too few bytes opens it.
Failure ccmShortTags(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = fixedKey(cipher, keyBytes);
  unsigned salt = 120;
  for (const Shape& s : kCcmShapes) {
    const ByteString iv = pattern(s.iv, salt += 3);
    const ByteString aad = pattern(s.aad, salt + 1);
    const ByteString plaintext = pattern(s.text, salt + 2);
    const auto sealedWith = [&](std::size_t t) {
      return seal(Construction::CCM, *key, keyBytes, iv, aad, plaintext, t);
    };
    for (std::size_t n = 0; n <= 32; ++n) {
      if (n >= 4 && n <= 16 && n % 2 == 0) continue;
      if (n > 18 && n != 32) continue;
      std::vector<std::pair<Aead, ByteString>> forged;
      std::vector<std::string> how;
      if (n < 16) {
        const std::size_t above = std::max<std::size_t>(4, n + 1);
        const Aead sealed = sealedWith(above);
        forged.emplace_back(sealed, cut(sealed.tag, n));
        how.push_back("the valid " + std::to_string(above) + "-byte tag cut");
        forged.emplace_back(sealed, ByteString(n, 0x00));
        how.push_back("zeros");
        if (n > 4) {
          const Aead below = sealedWith(n - 1);
          ByteString extended = below.tag;
          extended.push_back(0x00);
          forged.emplace_back(below, extended);
          how.push_back("the valid " + std::to_string(n - 1) + "-byte tag and a zero byte");
        }
      } else {
        const Aead sealed = sealedWith(16);
        for (const std::uint8_t fill : {0x00, 0xff}) {
          ByteString extended = sealed.tag;
          extended.resize(n, fill);
          forged.emplace_back(sealed, extended);
          how.push_back("the valid 16-byte tag extended with " + toHex(ByteString{fill}) +
                        " bytes");
        }
      }
      for (std::size_t i = 0; i < forged.size(); ++i) {
        if (auto failure = withTag(Construction::CCM, *key, forged[i].first, forged[i].second,
                                   tagText(n, how[i]) + ", a length CCM has no tag of")) {
          return failure;
        }
      }
    }
  }
  return std::nullopt;
}

Failure ccmTruncatedTags(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = fixedKey(cipher, keyBytes);
  unsigned salt = 160;
  for (const Shape& s : kCcmShapes) {
    for (std::size_t t = 4; t <= 16; t += 2) {
      const Aead sealed =
          sealShape(Construction::CCM, *key, keyBytes, {s.iv, s.aad, s.text, t}, salt += 3);
      for (std::size_t n = 0; n < t; ++n) {
        if (auto failure = withTag(
                Construction::CCM, *key, sealed, cut(sealed.tag, n),
                "the tag made with " + std::to_string(t) + " bytes cut to " + std::to_string(n))) {
          return failure;
        }
      }
    }
  }
  return std::nullopt;
}

// A drawn message: IVs of 12 bytes often (GCM's short path), else 1 to 40 bytes; CCM nonces of
// 7 to 13 bytes; texts short enough for CCM's smallest length field.
Aead drawnSealed(Construction c, const AnyKey& key, const ByteString& keyBytes,
                 std::size_t tagBytes) {
  std::size_t ivBytes = 0;
  if (c == Construction::GCM) {
    ivBytes = *rc::gen::weightedOneOf<std::size_t>(
        {{1, rc::gen::just<std::size_t>(12)}, {2, rc::gen::inRange<std::size_t>(1, 41)}});
  } else {
    ivBytes = *rc::gen::inRange<std::size_t>(7, 14);
  }
  const ByteString iv = detail::pickBytes(arbitraryByteStringOfLength(ivBytes));
  const ByteString aad = detail::pickBytes(arbitraryBoundaryByteString(16));
  const ByteString plaintext = detail::pickBytes(arbitraryBoundaryByteString(16));
  return seal(c, key, keyBytes, iv, aad, plaintext, tagBytes);
}

std::size_t drawnTagBytes(Construction c) {
  return c == Construction::GCM ? *rc::gen::inRange<std::size_t>(4, 17)
                                : 2 * *rc::gen::inRange<std::size_t>(2, 9);
}

void flippedBitsDrawn(Construction c, const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = drawnKey(cipher, keyBytes);
  const Aead sealed = drawnSealed(c, *key, keyBytes, drawnTagBytes(c));
  // One drawn bit in each part, so that no part goes unchecked in a case.
  for (int which = 0; which < 4; ++which) {
    const std::size_t bits = bitsOf(sealed, which);
    if (bits == 0) continue;
    failIf(flippedBit(c, *key, sealed, which, *rc::gen::inRange<std::size_t>(0, bits)));
  }
}

void truncatedTagsDrawn(Construction c, const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = drawnKey(cipher, keyBytes);
  const std::size_t t = drawnTagBytes(c);
  const Aead sealed = drawnSealed(c, *key, keyBytes, t);
  // GCM's cuts to 4 bytes or more are valid tags of their own.
  const std::size_t n = *rc::gen::inRange<std::size_t>(0, c == Construction::GCM ? 4 : t);
  failIf(withTag(c, *key, sealed, cut(sealed.tag, n),
                 "the tag made with " + std::to_string(t) + " bytes cut to " + std::to_string(n)));
}

void gcmShortTagsDrawn(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = drawnKey(cipher, keyBytes);
  const Aead sealed = drawnSealed(Construction::GCM, *key, keyBytes, 16);
  const std::size_t n = *rc::gen::inRange<std::size_t>(0, 4);
  const bool own = *rc::gen::arbitrary<bool>();
  const ByteString tag =
      own ? cut(sealed.tag, n) : detail::pickBytes(arbitraryByteStringOfLength(n));
  failIf(withTag(Construction::GCM, *key, sealed, tag,
                 tagText(n, own ? "the valid tag's" : "drawn bytes") + ", under 4"));
}

void ccmShortTagsDrawn(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = drawnKey(cipher, keyBytes);
  // Under 4, odd, or over 16 bytes.
  const std::size_t n = *rc::gen::oneOf(
      rc::gen::inRange<std::size_t>(0, 4),
      rc::gen::map(rc::gen::inRange<std::size_t>(2, 8), [](std::size_t k) { return 2 * k + 1; }),
      rc::gen::inRange<std::size_t>(17, 33));
  const std::size_t t = n < 16 ? std::max<std::size_t>(4, n + 1) : 16;
  const Aead sealed = drawnSealed(Construction::CCM, *key, keyBytes, t);
  ByteString tag = sealed.tag;
  if (n < t) {
    tag = cut(tag, n);
  } else {
    const ByteString extra = detail::pickBytes(arbitraryByteStringOfLength(n - t));
    tag.insert(tag.end(), extra.begin(), extra.end());
  }
  failIf(withTag(
      Construction::CCM, *key, sealed, tag,
      tagText(n, "the valid " + std::to_string(t) + "-byte tag " + (n < t ? "cut" : "extended")) +
          ", a length CCM has no tag of"));
}

// ---- KW and KWP ----

ByteString kwIcv() {
  return ByteString(kavrit::detail::kKeyWrapIV.begin(), kavrit::detail::kKeyWrapIV.end());
}

ByteString kwpAiv(std::uint32_t mli) {
  ByteString a(kavrit::detail::kKeyWrapPadIV.begin(), kavrit::detail::kKeyWrapPadIV.end());
  for (int shift = 24; shift >= 0; shift -= 8) a.push_back(static_cast<std::uint8_t>(mli >> shift));
  return a;
}

const char* unwrapName(KeyWrapKind kind) {
  return kind == KeyWrapKind::KW ? "keyUnwrap" : "keyUnwrapPad";
}

std::string wrapText(const ByteString& keyBytes, const ByteString& a, const ByteString& r,
                     const ByteString& wrapped) {
  return "\n  key       " + toHex(keyBytes) + "\n  wrapped   " + toHex(wrapped) + "\n  from A    " +
         toHex(a) + "\n  and R     " + toHex(r);
}

// Wraps R from A with the key's block function; `what` says what is wrong with them, and the
// unwrap must refuse.
Failure unwrapOpens(KeyWrapKind kind, const AnyKey& key, const ByteString& keyBytes,
                    const ByteString& a, const ByteString& r, const std::string& what) {
  const ByteString wrapped = detail::wrapFromIntegrityValue(key, a, r);
  if (auto p = opened([&] { return key.keyUnwrap(kind, wrapped); })) {
    return std::string(unwrapName(kind)) + " accepts " + what + wrapText(keyBytes, a, r, wrapped) +
           "\ngiving " + toHex(*p);
  }
  return std::nullopt;
}

// The same construction with the right A must open to `expected`, or the refusals mean nothing.
void requireOpens(KeyWrapKind kind, const AnyKey& key, const ByteString& keyBytes,
                  const ByteString& a, const ByteString& r, const ByteString& expected) {
  const ByteString wrapped = detail::wrapFromIntegrityValue(key, a, r);
  const std::optional<ByteString> p = key.keyUnwrap(kind, wrapped);
  if (!p || *p != expected) {
    throw AssertionFailure(
        std::string(unwrapName(kind)) +
        (p ? " opens a valid wrap to " + toHex(*p) + " instead of " + toHex(expected)
           : std::string(" refuses a valid wrap")) +
        wrapText(keyBytes, a, r, wrapped));
  }
}

std::string byteChange(const char* name, std::size_t at, std::uint8_t to) {
  return std::string("an ") + name + " with byte " + std::to_string(at) + " changed to " +
         toHex(ByteString{to});
}

// Every bit of each byte of A flipped, and each byte set to 00, ff and its complement.
Failure everyIntegrityChange(KeyWrapKind kind, const AnyKey& key, const ByteString& keyBytes,
                             const ByteString& a, const ByteString& r) {
  const char* name = kind == KeyWrapKind::KW ? "ICV" : "AIV";
  for (std::size_t at = 0; at < 8; ++at) {
    std::vector<std::uint8_t> values = {0x00, 0xff, static_cast<std::uint8_t>(~a[at])};
    for (int bit = 0; bit < 8; ++bit) {
      values.push_back(static_cast<std::uint8_t>(a[at] ^ (1u << bit)));
    }
    for (const std::uint8_t to : values) {
      if (to == a[at]) continue;
      ByteString changed = a;
      changed[at] = to;
      if (auto failure = unwrapOpens(kind, key, keyBytes, changed, r, byteChange(name, at, to))) {
        return failure;
      }
    }
  }
  return std::nullopt;
}

Failure kwIntegrityValue(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = fixedKey(cipher, keyBytes);
  for (const std::size_t n : {2u, 3u}) {
    const ByteString r = pattern(8 * n, static_cast<unsigned>(n));
    requireOpens(KeyWrapKind::KW, *key, keyBytes, kwIcv(), r, r);
    if (auto failure = everyIntegrityChange(KeyWrapKind::KW, *key, keyBytes, kwIcv(), r)) {
      return failure;
    }
    // KWP's integrity value is not KW's.
    if (auto failure = unwrapOpens(KeyWrapKind::KW, *key, keyBytes, kwpAiv(8 * n), r,
                                   "KWP's AIV in place of the ICV")) {
      return failure;
    }
  }
  return std::nullopt;
}

// Plaintexts of whole semiblocks without zero bytes: a changed MLI names another length whose
// padding is not zero, or one out of range, so no change opens.
Failure kwpIntegrityValue(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = fixedKey(cipher, keyBytes);
  for (const std::size_t n : {1u, 2u, 3u}) {
    const ByteString r = pattern(8 * n, static_cast<unsigned>(n + 10));
    const ByteString a = kwpAiv(static_cast<std::uint32_t>(8 * n));
    requireOpens(KeyWrapKind::KWP, *key, keyBytes, a, r, r);
    if (auto failure = everyIntegrityChange(KeyWrapKind::KWP, *key, keyBytes, a, r)) {
      return failure;
    }
    if (auto failure = unwrapOpens(KeyWrapKind::KWP, *key, keyBytes, kwIcv(), r,
                                   "KW's ICV in place of the AIV")) {
      return failure;
    }
  }
  return std::nullopt;
}

// n semiblocks whose bytes past `mli` are zero, so that only the length can refuse them.
ByteString zeroPast(std::size_t n, std::uint64_t mli, unsigned salt) {
  ByteString r = pattern(8 * n, salt);
  for (std::size_t i = 0; i < r.size(); ++i) {
    if (i >= mli) r[i] = 0;
  }
  return r;
}

std::string mliText(std::uint32_t mli, std::size_t n) {
  return "an MLI of " + std::to_string(mli) + " over " + std::to_string(n) + " semiblock" +
         (n == 1 ? "" : "s") + " (it must be " + std::to_string(8 * n - 7) + " to " +
         std::to_string(8 * n) + ")";
}

Failure kwpLengthOutOfRange(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = fixedKey(cipher, keyBytes);
  for (const std::size_t n : {1u, 2u, 3u}) {
    const auto semi = static_cast<std::uint32_t>(8 * n);
    const unsigned salt = static_cast<unsigned>(n + 20);
    requireOpens(KeyWrapKind::KWP, *key, keyBytes, kwpAiv(semi - 7), zeroPast(n, semi - 7, salt),
                 cut(pattern(semi, salt), semi - 7));
    std::vector<std::uint32_t> lengths = {0, semi + 1, semi + 8, 0x80000000u, 0xffffffffu};
    if (n > 1) lengths.insert(lengths.end(), {1, semi - 8});
    for (const std::uint32_t mli : lengths) {
      if (auto failure = unwrapOpens(KeyWrapKind::KWP, *key, keyBytes, kwpAiv(mli),
                                     zeroPast(n, mli, salt), mliText(mli, n))) {
        return failure;
      }
    }
  }
  return std::nullopt;
}

std::string paddingText(std::size_t length, std::size_t at, std::uint8_t value) {
  return "a plaintext of " + std::to_string(length) + (length == 1 ? " byte" : " bytes") +
         " whose padding byte " + std::to_string(at) + " is " + toHex(ByteString{value});
}

Failure kwpNonZeroPadding(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = fixedKey(cipher, keyBytes);
  for (const std::size_t length : {1u, 5u, 7u, 9u, 13u, 15u, 17u, 23u}) {
    const std::size_t n = (length + 7) / 8;
    const auto salt = static_cast<unsigned>(length + 30);
    const ByteString a = kwpAiv(static_cast<std::uint32_t>(length));
    const ByteString r = zeroPast(n, length, salt);
    requireOpens(KeyWrapKind::KWP, *key, keyBytes, a, r, cut(r, length));
    for (std::size_t at = length; at < 8 * n; ++at) {
      for (const std::uint8_t value : {0x01, 0x80, 0xff}) {
        ByteString padded = r;
        padded[at] = value;
        if (auto failure = unwrapOpens(KeyWrapKind::KWP, *key, keyBytes, a, padded,
                                       paddingText(length, at, value))) {
          return failure;
        }
      }
    }
  }
  return std::nullopt;
}

ByteString drawnNonZero(std::size_t n) {
  ByteString r = detail::pickBytes(arbitraryByteStringOfLength(n));
  for (auto& byte : r) byte = byte == 0 ? 1 : byte;
  return r;
}

void integrityValueDrawn(KeyWrapKind kind, const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = drawnKey(cipher, keyBytes);
  const std::size_t n = *rc::gen::inRange<std::size_t>(kind == KeyWrapKind::KW ? 2 : 1, 9);
  const ByteString r = drawnNonZero(8 * n);
  ByteString a = kind == KeyWrapKind::KW ? kwIcv() : kwpAiv(static_cast<std::uint32_t>(8 * n));
  const std::size_t at = *rc::gen::inRange<std::size_t>(0, 8);
  a[at] ^= static_cast<std::uint8_t>(*rc::gen::inRange(1, 256));
  failIf(unwrapOpens(kind, *key, keyBytes, a, r,
                     byteChange(kind == KeyWrapKind::KW ? "ICV" : "AIV", at, a[at])));
}

void kwpLengthOutOfRangeDrawn(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = drawnKey(cipher, keyBytes);
  const std::size_t n = *rc::gen::inRange<std::size_t>(1, 9);
  const auto semi = static_cast<std::uint32_t>(8 * n);
  // Too short for n semiblocks (0 among them), or too long.
  const std::uint32_t mli = *rc::gen::oneOf(rc::gen::inRange<std::uint32_t>(0, semi - 7),
                                            rc::gen::inRange<std::uint32_t>(semi + 1, 0xffffffffu));
  failIf(unwrapOpens(KeyWrapKind::KWP, *key, keyBytes, kwpAiv(mli),
                     zeroPast(n, mli, *rc::gen::inRange(0u, 255u)), mliText(mli, n)));
}

void kwpNonZeroPaddingDrawn(const AnyBlockCipher& cipher) {
  ByteString keyBytes;
  const auto key = drawnKey(cipher, keyBytes);
  std::size_t length = *rc::gen::inRange<std::size_t>(1, 64);
  if (length % 8 == 0) --length;
  const std::size_t n = (length + 7) / 8;
  ByteString r = detail::pickBytes(arbitraryByteStringOfLength(length));
  r.resize(8 * n, 0);
  const std::size_t at = *rc::gen::inRange<std::size_t>(length, 8 * n);
  r[at] = static_cast<std::uint8_t>(*rc::gen::inRange(1, 256));
  failIf(unwrapOpens(KeyWrapKind::KWP, *key, keyBytes, kwpAiv(static_cast<std::uint32_t>(length)),
                     r, paddingText(length, at, r[at])));
}

Test unitCase(const char* name, const AnyBlockCipher& cipher,
              Failure (*check)(const AnyBlockCipher&)) {
  return testCase(name, [&cipher, check] { throwIf(check(cipher)); });
}

}  // namespace

Test makeAEADRefusalTests(const AnyBlockCipher& cipher) {
  std::vector<Test> leaves;
  if (cipher.blockSize() == 128) {
    constexpr auto gcm = Construction::GCM;
    constexpr auto ccm = Construction::CCM;
    leaves.push_back(unitCase("GCMShortTags", cipher, gcmShortTags));
    leaves.push_back(unitCase("GCMTruncatedTags", cipher, gcmTruncatedTags));
    leaves.push_back(
        testCase("GCMEveryFlippedBit", [&cipher] { throwIf(everyFlippedBit(gcm, cipher)); }));
    leaves.push_back(unitCase("CCMShortTags", cipher, ccmShortTags));
    leaves.push_back(unitCase("CCMTruncatedTags", cipher, ccmTruncatedTags));
    leaves.push_back(
        testCase("CCMEveryFlippedBit", [&cipher] { throwIf(everyFlippedBit(ccm, cipher)); }));
    leaves.push_back(testProperty("GCMShortTagsDrawn", [&cipher] { gcmShortTagsDrawn(cipher); }));
    leaves.push_back(
        testProperty("GCMTruncatedTagsDrawn", [&cipher] { truncatedTagsDrawn(gcm, cipher); }));
    leaves.push_back(
        testProperty("GCMFlippedBitsDrawn", [&cipher] { flippedBitsDrawn(gcm, cipher); }));
    leaves.push_back(testProperty("CCMShortTagsDrawn", [&cipher] { ccmShortTagsDrawn(cipher); }));
    leaves.push_back(
        testProperty("CCMTruncatedTagsDrawn", [&cipher] { truncatedTagsDrawn(ccm, cipher); }));
    leaves.push_back(
        testProperty("CCMFlippedBitsDrawn", [&cipher] { flippedBitsDrawn(ccm, cipher); }));
  }
  return testGroup("AEAD Refusal Tests", std::move(leaves));
}

Test makeKeyWrapRefusalTests(const AnyBlockCipher& cipher) {
  std::vector<Test> leaves;
  if (cipher.blockSize() == 128) {
    leaves.push_back(unitCase("KWIntegrityValue", cipher, kwIntegrityValue));
    leaves.push_back(unitCase("KWPIntegrityValue", cipher, kwpIntegrityValue));
    leaves.push_back(unitCase("KWPLengthOutOfRange", cipher, kwpLengthOutOfRange));
    leaves.push_back(unitCase("KWPNonZeroPadding", cipher, kwpNonZeroPadding));
    leaves.push_back(testProperty("KWIntegrityValueDrawn",
                                  [&cipher] { integrityValueDrawn(KeyWrapKind::KW, cipher); }));
    leaves.push_back(testProperty("KWPIntegrityValueDrawn",
                                  [&cipher] { integrityValueDrawn(KeyWrapKind::KWP, cipher); }));
    leaves.push_back(
        testProperty("KWPLengthOutOfRangeDrawn", [&cipher] { kwpLengthOutOfRangeDrawn(cipher); }));
    leaves.push_back(
        testProperty("KWPNonZeroPaddingDrawn", [&cipher] { kwpNonZeroPaddingDrawn(cipher); }));
  }
  return testGroup("Key Wrap Refusal Tests", std::move(leaves));
}

}  // namespace kavrit::test
