// The AEAD laws (kavrit/test/aead_props.hpp). Each check gives the text of its failure, or
// nothing: unit cases throw it, properties fail with it.

#include "kavrit/test/aead_props.hpp"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/vector_files.hpp"
#include "laws/primitive_support.hpp"

namespace kavrit::test {
namespace {

using detail::bitText;
using detail::bytesText;
using detail::Opened;
using detail::tryOpen;
using Failure = std::optional<std::string>;
using Key = std::unique_ptr<const AnyAeadKey>;

void throwIf(const Failure& failure) {
  if (failure) throw AssertionFailure(*failure);
}

void failIf(const Failure& failure) {
  if (failure) RC_FAIL(*failure);
}

struct Message {
  ByteString key, nonce, aad, plaintext;
};

std::size_t tagBytesOf(const AnyAead& a) { return static_cast<std::size_t>(a.tagLength() / 8); }

std::size_t nonceBytesOf(const AnyAead& a) {
  return a.deterministic() ? 0 : static_cast<std::size_t>(a.nonceLength() / 8);
}

// "(nonce of 12 bytes, AAD of 5, plaintext of 17)".
std::string shape(const Message& m) {
  return "(" + (m.nonce.empty() ? std::string() : "nonce of " + bytesText(m.nonce.size()) + ", ") +
         "AAD of " + std::to_string(m.aad.size()) + ", plaintext of " +
         std::to_string(m.plaintext.size()) + ")";
}

std::string inputsText(const Message& m, const AeadSealed& sealed) {
  return "\n  key        " + toHex(m.key) + "\n  nonce      " + toHex(m.nonce) + "\n  AAD        " +
         toHex(m.aad) + "\n  plaintext  " + toHex(m.plaintext) + "\n  ciphertext " +
         toHex(sealed.ciphertext) + "\n  tag        " + toHex(sealed.tag);
}

// "[0..5|5..17]": where a lazy string's chunks begin and end.
std::string layout(const LazyByteString& bytes) {
  ChunkPlan plan{bytes.size(), {}};
  std::size_t at = 0;
  for (const ByteString& chunk : bytes.chunks()) {
    at += chunk.size();
    if (at < bytes.size()) plan.cuts.push_back(at);
  }
  return describeChunkPlan(plan);
}

Key buildOrThrow(const AnyAead& a, const ByteString& keyBytes) {
  Key key = a.buildKey(keyBytes);
  if (!key) throw AssertionFailure("buildKey refuses the key " + toHex(keyBytes));
  return key;
}

// The pattern bytes from `offset` on, `n` of them.
ByteString patternFrom(std::size_t n, std::size_t offset) {
  const ByteString bytes = detail::fixedMessage(n + offset);
  return ByteString(bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end());
}

// A fixed message; its key and nonce depend on `salt` alone.
Message fixedMessageOf(const AnyAead& a, std::size_t aadBytes, std::size_t textBytes,
                       std::size_t salt) {
  return Message{detail::keyFromSeed(a.keyLength(), patternFrom(7, salt)),
                 patternFrom(nonceBytesOf(a), salt + 1), patternFrom(aadBytes, salt + 2),
                 patternFrom(textBytes, salt + 3)};
}

// A drawn message: AAD around 16-byte edges, plaintext around 16- or 64-byte edges.
Message drawMessage(const AnyAead& a) {
  Message m;
  m.key = detail::drawKeyBytes(a.keyLength());
  m.nonce = detail::drawBytesOfLength(nonceBytesOf(a));
  m.aad = detail::pickBytes(arbitraryBoundaryByteString(16));
  const std::size_t edge = *rc::gen::element<std::size_t>(16, 64);
  m.plaintext = detail::pickBytes(arbitraryBoundaryByteString(edge));
  return m;
}

Key drawnKey(const AnyAead& a, const Message& m) {
  Key key = a.buildKey(m.key);
  RC_PRE(static_cast<bool>(key));
  return key;
}

// `what` gave the plaintext back, or the failure saying what it gave instead.
Failure givesPlaintext(const std::string& what, const Opened& opened, const Message& m) {
  if (opened.kind == Opened::Kind::Released && opened.bytes == m.plaintext) return std::nullopt;
  return what + " " + opened.text(&m.plaintext) + " instead of the plaintext " + shape(m);
}

Failure refuses(const std::string& what, const Opened& opened, const Message& m,
                const AeadSealed& sealed) {
  if (opened.kind == Opened::Kind::Refused) return std::nullopt;
  return what + ": it " + opened.text(&m.plaintext) + " instead of refusing " + shape(m) +
         inputsText(m, sealed);
}

Opened openStrict(const AnyAeadKey& key, const Message& m, const AeadSealed& s) {
  return tryOpen([&] { return key.open(m.nonce, m.aad, s.ciphertext, s.tag); });
}

Opened openChunked(const AnyAeadKey& key, const Message& m, const AeadSealed& s) {
  return tryOpen(
      [&] { return key.openLazy(m.nonce, chunked(m.aad, 5), chunked(s.ciphertext, 5), s.tag); });
}

Failure roundTrip(const AnyAeadKey& key, const Message& m) {
  const AeadSealed sealed = key.seal(m.nonce, m.aad, m.plaintext);
  if (auto f = givesPlaintext("open of what seal sealed", openStrict(key, m, sealed), m)) return f;
  if (auto f = givesPlaintext("openLazy (5-byte chunks) of what seal sealed",
                              openChunked(key, m, sealed), m)) {
    return f;
  }
  const Opened sevens = tryOpen([&] {
    return key.openLazy(m.nonce, chunked(m.aad, 7), chunked(sealed.ciphertext, 7), sealed.tag);
  });
  if (auto f = givesPlaintext("openLazy (7-byte chunks) of what seal sealed", sevens, m)) return f;
  const AeadSealed lazy = key.sealLazy(m.nonce, chunked(m.aad, 5), chunked(m.plaintext, 7));
  return givesPlaintext("open of what sealLazy (5- and 7-byte chunks) sealed",
                        openStrict(key, m, lazy), m);
}

void roundTripEdgeLengths(const AnyAead& a) {
  static constexpr std::size_t kAadLengths[] = {0,  1,  15, 16, 17,  31,  32,
                                                33, 63, 64, 65, 127, 128, 129};
  const Key key = buildOrThrow(a, fixedMessageOf(a, 0, 0, 3).key);
  for (std::size_t text = 0; text <= 2 * 64 + 1; ++text) {
    for (const std::size_t aad : kAadLengths) {
      throwIf(roundTrip(*key, fixedMessageOf(a, aad, text, 3)));
    }
  }
}

Failure sealsEqual(const std::string& what, const AeadSealed& expected, const AeadSealed& actual,
                   const Message& m) {
  if (expected == actual) return std::nullopt;
  const bool text = expected.ciphertext == actual.ciphertext;
  return what + ": the " + (text ? "tag" : "ciphertext") + " differs " + shape(m) + "\n  " +
         *describeDifference(text ? expected.tag : expected.ciphertext,
                             text ? actual.tag : actual.ciphertext);
}

Failure lengthsRight(const AnyAead& a, const char* entry, const AeadSealed& s, const Message& m) {
  if (s.ciphertext.size() == m.plaintext.size() && s.tag.size() == tagBytesOf(a)) {
    return std::nullopt;
  }
  return std::string(entry) + " gives " + bytesText(s.ciphertext.size()) +
         " of ciphertext and a tag of " + bytesText(s.tag.size()) + "; expected " +
         bytesText(m.plaintext.size()) + " and tagLength/8 = " + bytesText(tagBytesOf(a)) + " " +
         shape(m);
}

void lazyStrictEqual(const AnyAead& a) {
  Message m = drawMessage(a);
  const Key key = drawnKey(a, m);
  const LazyByteString aad = detail::pickLazyBytes(arbitraryBoundaryLazyByteString(16));
  const std::size_t edge = *rc::gen::element<std::size_t>(16, 64);
  const LazyByteString plaintext = detail::pickLazyBytes(arbitraryBoundaryLazyByteString(edge));
  m.aad = aad.flatten();
  m.plaintext = plaintext.flatten();
  const AeadSealed strict = key->seal(m.nonce, m.aad, m.plaintext);
  failIf(sealsEqual("sealLazy over AAD chunks " + layout(aad) + " and plaintext chunks " +
                        layout(plaintext) + " seals otherwise than seal",
                    strict, key->sealLazy(m.nonce, aad, plaintext), m));
  const ChunkPlan plan = *arbitraryChunkPlan(strict.ciphertext.size(), edge);
  failIf(givesPlaintext("openLazy over AAD chunks " + layout(aad) + " and ciphertext chunks " +
                            describeChunkPlan(plan),
                        tryOpen([&] {
                          return key->openLazy(m.nonce, aad,
                                               applyChunkPlan(strict.ciphertext, plan), strict.tag);
                        }),
                        m));
}

// The parts a bit can be flipped in: ciphertext, tag, AAD, nonce.
constexpr const char* kParts[] = {"ciphertext", "tag", "AAD", "nonce"};

// Opens `m` sealed as `sealed` with `bit` of part `part` flipped, through both entry points.
Failure flippedBitRefused(const AnyAeadKey& key, const Message& m, const AeadSealed& sealed,
                          int part, std::size_t bit) {
  Message changed = m;
  AeadSealed changedSealed = sealed;
  ByteString* parts[] = {&changedSealed.ciphertext, &changedSealed.tag, &changed.aad,
                         &changed.nonce};
  *parts[part] = detail::withBitFlipped(*parts[part], bit);
  const std::string what =
      std::string("the message with ") + bitText(bit) + " of the " + kParts[part] + " flipped";
  if (auto f = refuses("open of " + what, openStrict(key, changed, changedSealed), m, sealed)) {
    return f;
  }
  return refuses("openLazy (5-byte chunks) of " + what, openChunked(key, changed, changedSealed), m,
                 sealed);
}

void everyFlippedBitRefused(const AnyAead& a) {
  static constexpr std::size_t kShapes[][2] = {{5, 17}, {0, 0}, {16, 64}};
  for (std::size_t i = 0; i < std::size(kShapes); ++i) {
    const Message m = fixedMessageOf(a, kShapes[i][0], kShapes[i][1], 11 + i);
    const Key key = buildOrThrow(a, m.key);
    const AeadSealed sealed = key->seal(m.nonce, m.aad, m.plaintext);
    const std::size_t sizes[] = {sealed.ciphertext.size(), sealed.tag.size(), m.aad.size(),
                                 m.nonce.size()};
    for (int part = 0; part < 4; ++part) {
      for (std::size_t bit = 0; bit < 8 * sizes[part]; ++bit) {
        throwIf(flippedBitRefused(*key, m, sealed, part, bit));
      }
    }
  }
}

void flippedBitRefusedDrawn(const AnyAead& a) {
  const Message m = drawMessage(a);
  const Key key = drawnKey(a, m);
  const AeadSealed sealed = key->seal(m.nonce, m.aad, m.plaintext);
  const std::size_t sizes[] = {sealed.ciphertext.size(), sealed.tag.size(), m.aad.size(),
                               m.nonce.size()};
  std::vector<int> parts;
  for (int part = 0; part < 4; ++part) {
    if (sizes[part] > 0) parts.push_back(part);
  }
  RC_PRE(!parts.empty());
  const int part = parts[*rc::gen::inRange<std::size_t>(0, parts.size())];
  const std::size_t bit = *rc::gen::inRange<std::size_t>(0, 8 * sizes[part]);
  failIf(flippedBitRefused(*key, m, sealed, part, bit));
}

// Opens with `tag` in place of the sealed tag, through both entry points.
Failure tagRefused(const AnyAeadKey& key, const Message& m, const AeadSealed& sealed,
                   const ByteString& tag, const std::string& what) {
  const AeadSealed changed{sealed.ciphertext, tag};
  if (auto f = refuses("open with " + what, openStrict(key, m, changed), m, sealed)) return f;
  return refuses("openLazy (5-byte chunks) with " + what, openChunked(key, m, changed), m, sealed);
}

void changedTagLengthRefused(const AnyAead& a) {
  for (const auto& [aad, text] : {std::pair<std::size_t, std::size_t>{5, 17}, {0, 64}}) {
    const Message m = fixedMessageOf(a, aad, text, 23);
    const Key key = buildOrThrow(a, m.key);
    const AeadSealed sealed = key->seal(m.nonce, m.aad, m.plaintext);
    const ByteString& tag = sealed.tag;
    for (std::size_t n = 0; n < tag.size(); ++n) {
      throwIf(tagRefused(*key, m, sealed, ByteString(tag.begin(), tag.begin() + n),
                         "the tag of " + bytesText(tag.size()) + " cut to " + bytesText(n)));
    }
    for (const std::uint8_t extra : {0x00, 0xff}) {
      ByteString longer = tag;
      longer.push_back(extra);
      throwIf(
          tagRefused(*key, m, sealed, longer, "the tag extended by one byte " + toHex({extra})));
    }
    ByteString doubled = tag;
    doubled.insert(doubled.end(), tag.begin(), tag.end());
    throwIf(tagRefused(*key, m, sealed, doubled, "the tag twice over"));
  }
}

// What sealing with a nonce it does not take did: nothing when it threw std::invalid_argument.
template <class Seal>
Failure sealThrows(const std::string& what, Seal&& seal) {
  try {
    (void)seal();
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  } catch (const std::exception& e) {
    return what + " threw another exception than std::invalid_argument: " + e.what();
  }
  return what + " sealed instead of throwing std::invalid_argument";
}

Failure refusesOrThrows(const std::string& what, const Opened& opened) {
  if (opened.kind == Opened::Kind::Refused || opened.invalidArgument) return std::nullopt;
  return what + ": it " + opened.text() + " instead of refusing";
}

void wrongNonceLengthRefused(const AnyAead& a) {
  const std::size_t n = nonceBytesOf(a);
  const Message m = fixedMessageOf(a, 7, 33, 29);
  const Key key = buildOrThrow(a, m.key);
  const AeadSealed sealed = key->seal(m.nonce, m.aad, m.plaintext);
  std::vector<std::size_t> lengths;
  for (const long length :
       {0L, 1L, static_cast<long>(n) - 8, static_cast<long>(n) - 1, static_cast<long>(n) + 1,
        static_cast<long>(n) + 8, 2 * static_cast<long>(n)}) {
    if (length < 0 || a.acceptsNonceLength(8 * length)) continue;
    const auto bytes = static_cast<std::size_t>(length);
    if (std::find(lengths.begin(), lengths.end(), bytes) != lengths.end()) continue;
    lengths.push_back(bytes);
    // The right nonce cut or extended with zeros: an implementation that reads only its first
    // bytes takes the extended one for the right one.
    ByteString nonce = m.nonce;
    nonce.resize(bytes);
    const std::string of = " with a nonce of " + bytesText(bytes) + " (" + toHex(nonce) +
                           "; it takes " + bytesText(n) + ")";
    throwIf(sealThrows("seal" + of, [&] { return key->seal(nonce, m.aad, m.plaintext); }));
    throwIf(sealThrows("sealLazy" + of, [&] {
      return key->sealLazy(nonce, chunked(m.aad, 5), chunked(m.plaintext, 5));
    }));
    throwIf(refusesOrThrows("open" + of, tryOpen([&] {
                              return key->open(nonce, m.aad, sealed.ciphertext, sealed.tag);
                            })));
    throwIf(refusesOrThrows("openLazy" + of, tryOpen([&] {
                              return key->openLazy(nonce, chunked(m.aad, 5),
                                                   chunked(sealed.ciphertext, 5), sealed.tag);
                            })));
  }
}

void nothingReleasedOnBadTag(const AnyAead& a) {
  const Message m = drawMessage(a);
  const Key key = drawnKey(a, m);
  const AeadSealed sealed = key->seal(m.nonce, m.aad, m.plaintext);
  RC_PRE(!sealed.tag.empty());
  const std::size_t bit = *rc::gen::inRange<std::size_t>(0, 8 * sealed.tag.size());
  failIf(tagRefused(*key, m, sealed, detail::withBitFlipped(sealed.tag, bit),
                    "a tag whose " + bitText(bit) + " is flipped"));
  const ByteString zeros(sealed.tag.size());
  if (zeros != sealed.tag) failIf(tagRefused(*key, m, sealed, zeros, "a tag of zeros"));
}

// What a fresh key seals for `m` through each entry point.
struct Behaviour {
  AeadSealed strict, lazy;
};

Behaviour behaviourOf(const AnyAeadKey& key, const Message& m) {
  return {key.seal(m.nonce, m.aad, m.plaintext),
          key.sealLazy(m.nonce, chunked(m.aad, 5), chunked(m.plaintext, 7))};
}

// Whether `key` seals as `expected` says, each entry point against itself, and opens it.
Failure behavesAs(const std::string& which, const AnyAeadKey& key, const Message& m,
                  const Behaviour& expected) {
  if (auto f = sealsEqual("seal on " + which + " seals otherwise than a fresh key", expected.strict,
                          key.seal(m.nonce, m.aad, m.plaintext), m)) {
    return f;
  }
  if (auto f =
          sealsEqual("sealLazy on " + which + " seals otherwise than on a fresh key", expected.lazy,
                     key.sealLazy(m.nonce, chunked(m.aad, 5), chunked(m.plaintext, 7)), m)) {
    return f;
  }
  if (auto f = givesPlaintext("open on " + which, openStrict(key, m, expected.strict), m)) {
    return f;
  }
  return givesPlaintext("openLazy on " + which, openChunked(key, m, expected.strict), m);
}

void copyAgrees(const AnyAead& a) {
  const Message m = drawMessage(a);
  const Key key = drawnKey(a, m);
  const Behaviour expected = behaviourOf(*key, m);
  {
    const Key copy = key->clone();
    failIf(behavesAs("a copy of the key", *copy, m, expected));
  }
  failIf(behavesAs("the original key once its copy is gone", *key, m, expected));
}

void keyWorksAfterRefusals(const AnyAead& a) {
  const Message m = fixedMessageOf(a, 9, 40, 31);
  const Behaviour expected = behaviourOf(*buildOrThrow(a, m.key), m);
  const Key key = buildOrThrow(a, m.key);
  AeadSealed forged = expected.strict;
  forged.tag = detail::withBitFlipped(forged.tag, 0);
  (void)key->open(m.nonce, m.aad, forged.ciphertext, forged.tag);
  (void)key->openLazy(m.nonce, chunked(m.aad, 5), chunked(forged.ciphertext, 5), forged.tag);
  throwIf(behavesAs("a key that has refused a forged tag", *key, m, expected));
  if (a.deterministic()) return;
  ByteString badNonce = m.nonce;
  badNonce.resize(badNonce.size() + 1);
  if (a.acceptsNonceLength(8 * static_cast<long>(badNonce.size()))) badNonce.clear();
  if (a.acceptsNonceLength(8 * static_cast<long>(badNonce.size()))) return;
  try {
    (void)key->seal(badNonce, m.aad, m.plaintext);
  } catch (const std::exception&) {
    // The law is about the key afterwards; WrongNonceLengthRefused judges the refusal.
  }
  (void)tryOpen(
      [&] { return key->open(badNonce, m.aad, expected.strict.ciphertext, expected.strict.tag); });
  throwIf(behavesAs("a key that has refused a nonce of " + bytesText(badNonce.size()), *key, m,
                    expected));
}

void equalKeyBytesEqualKeys(const AnyAead& a) {
  const Message m = fixedMessageOf(a, 21, 50, 37);
  ByteString copy;
  copy.reserve(m.key.size() + 1);
  copy.assign(m.key.begin(), m.key.end());
  const Key first = buildOrThrow(a, m.key);
  const Key second = buildOrThrow(a, copy);
  const Behaviour expected = behaviourOf(*first, m);
  throwIf(behavesAs("a key built from another buffer of the same bytes", *second, m, expected));
  throwIf(behavesAs("the first key after the second was used", *first, m, expected));
}

void longInput(const AnyAead& a, std::size_t n) {
  Message m = fixedMessageOf(a, 0, 0, 41);
  m.aad = detail::fixedMessage(n / 4 + 3);
  m.plaintext = detail::fixedMessage(n);
  const Key key = buildOrThrow(a, m.key);
  const AeadSealed strict = key->seal(m.nonce, m.aad, m.plaintext);
  throwIf(lengthsRight(a, "seal", strict, m));
  throwIf(sealsEqual("sealLazy in uneven chunks seals otherwise than seal", strict,
                     key->sealLazy(m.nonce, detail::unevenly(m.aad), detail::unevenly(m.plaintext)),
                     m));
  throwIf(givesPlaintext("open of what seal sealed", openStrict(*key, m, strict), m));
  throwIf(givesPlaintext("openLazy in uneven chunks of what seal sealed", tryOpen([&] {
                           return key->openLazy(m.nonce, detail::unevenly(m.aad),
                                                detail::unevenly(strict.ciphertext), strict.tag);
                         }),
                         m));
  const AeadSealed forged{strict.ciphertext, detail::withBitFlipped(strict.tag, 7)};
  const auto refused = [&](const std::string& what, const Opened& opened) {
    if (opened.kind != Opened::Kind::Refused) {
      throw AssertionFailure(what + " with bit 7 of the tag flipped " + opened.text(&m.plaintext) +
                             " instead of refusing " + shape(m));
    }
  };
  refused("open", openStrict(*key, m, forged));
  refused("openLazy in uneven chunks", tryOpen([&] {
            return key->openLazy(m.nonce, detail::unevenly(m.aad),
                                 detail::unevenly(forged.ciphertext), forged.tag);
          }));
}

}  // namespace

Test makeAEADPropTests(const AnyAead& a, AEADPropOptions options) {
  std::vector<Test> members{
      testCase("RoundTripEdgeLengths", [&a] { roundTripEdgeLengths(a); }),
      testProperty("RoundTrip",
                   [&a] {
                     const Message m = drawMessage(a);
                     failIf(roundTrip(*drawnKey(a, m), m));
                   }),
      testProperty("LazyStrictEqual", [&a] { lazyStrictEqual(a); }),
      testProperty("SealedLengths",
                   [&a] {
                     const Message m = drawMessage(a);
                     const Key key = drawnKey(a, m);
                     failIf(lengthsRight(a, "seal", key->seal(m.nonce, m.aad, m.plaintext), m));
                     failIf(lengthsRight(
                         a, "sealLazy (7-byte chunks)",
                         key->sealLazy(m.nonce, chunked(m.aad, 7), chunked(m.plaintext, 7)), m));
                   }),
      testProperty("SealIsDeterministic",
                   [&a] {
                     const Message m = drawMessage(a);
                     const Key key = drawnKey(a, m);
                     const AeadSealed first = key->seal(m.nonce, m.aad, m.plaintext);
                     failIf(sealsEqual("seal twice under one key and nonce", first,
                                       key->seal(m.nonce, m.aad, m.plaintext), m));
                     const auto lazy = [&] {
                       return key->sealLazy(m.nonce, chunked(m.aad, 7), chunked(m.plaintext, 7));
                     };
                     failIf(
                         sealsEqual("sealLazy twice under one key and nonce", lazy(), lazy(), m));
                   }),
      testCase("EveryFlippedBitRefused", [&a] { everyFlippedBitRefused(a); }),
      testProperty("FlippedBitRefusedDrawn", [&a] { flippedBitRefusedDrawn(a); }),
      testCase("ChangedTagLengthRefused", [&a] { changedTagLengthRefused(a); }),
  };
  if (!a.deterministic()) {
    members.push_back(testCase("WrongNonceLengthRefused", [&a] { wrongNonceLengthRefused(a); }));
  }
  members.push_back(testProperty("NothingReleasedOnBadTag", [&a] { nothingReleasedOnBadTag(a); }));
  members.push_back(testProperty("CopyAgrees", [&a] { copyAgrees(a); }));
  members.push_back(testCase("KeyWorksAfterRefusals", [&a] { keyWorksAfterRefusals(a); }));
  members.push_back(testCase("EqualKeyBytesEqualKeys", [&a] { equalKeyBytesEqualKeys(a); }));
  members.push_back(testCase("Long64KiBPlus1", [&a] { longInput(a, detail::kLongBytes); }));
  if (options.slow) {
    members.push_back(
        testGroup("Slow", {testCase("Long1MiB", [&a] { longInput(a, detail::kSlowBytes); })}));
  }
  return testGroup("AEAD Property Tests", std::move(members));
}

}  // namespace kavrit::test
