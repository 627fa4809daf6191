#include "kavrit/test/long_constructions.hpp"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "kavrit/test/assert.hpp"
#include "kavrit/test/boundaries.hpp"
#include "laws/construction_support.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test {
namespace {

using detail::attempt;
using detail::Oracle;
using detail::Outcome;

constexpr std::size_t kMiB = std::size_t{1} << 20;

// Chunks that straddle block edges in every way, and one of more than 4 KiB.
ChunkPlan unevenChunks(std::size_t n) {
  static constexpr std::size_t kSizes[] = {1, 15, 17, 1000, 4097, 3, 255};
  ChunkPlan plan{n, {}};
  std::size_t at = 0;
  for (std::size_t i = 0;; ++i) {
    at += kSizes[i % std::size(kSizes)];
    if (at >= n) break;
    plan.cuts.push_back(at);
  }
  return plan;
}

void agree(const std::string& what, const char* mineName, const Outcome& mine,
           const char* theirName, const Outcome& theirs) {
  if (auto difference = detail::outcomesDiffer(mine, theirs, mineName, theirName)) {
    throw AssertionFailure(what + ": " + *difference);
  }
}

void refuses(const std::string& what, const Outcome& outcome) {
  if (outcome.kind != Outcome::Kind::Refused) {
    throw AssertionFailure(what + ": it " + detail::outcomeText(outcome) + " instead of refusing");
  }
}

ByteString flipLast(ByteString bytes) {
  bytes.back() ^= 0x01;
  return bytes;
}

void longGcm(const Oracle& o, std::size_t n) {
  const auto key = o.fixedKey(71);
  const ByteString iv = detail::fixedMessage(12);
  const ByteString aad = detail::fixedMessage(n / 4 + 3);
  const ByteString text = detail::fixedMessage(n);
  const LazyByteString lazyAad = applyChunkPlan(aad, unevenChunks(aad.size()));
  const LazyByteString lazyText = applyChunkPlan(text, unevenChunks(n));
  const std::string of = " of " + std::to_string(n) + " bytes";
  const Outcome strict = attempt([&] { return key->gcmEncrypt(iv, aad, text, 16); });
  agree("gcmEncrypt" + of, "gcmEncrypt", strict, "kavrit's generic GCM",
        attempt([&] { return detail::genericGcmEncrypt(*key, o.b, iv, aad, text, 16); }));
  agree("gcmEncryptLazy" + of + " in uneven chunks", "gcmEncryptLazy",
        attempt([&] { return key->gcmEncryptLazy(iv, lazyAad, lazyText, 16); }), "gcmEncrypt",
        strict);
  const LazyByteString lazyCipher = applyChunkPlan(strict.bytes, unevenChunks(strict.bytes.size()));
  agree("gcmDecrypt" + of, "gcmDecrypt",
        attempt([&] { return key->gcmDecrypt(iv, aad, strict.bytes, strict.tag); }), "plaintext",
        detail::outcomeOf(text));
  agree("gcmDecryptLazy" + of + " in uneven chunks", "gcmDecryptLazy",
        attempt([&] { return key->gcmDecryptLazy(iv, lazyAad, lazyCipher, strict.tag); }),
        "plaintext", detail::outcomeOf(text));
  refuses("gcmDecrypt" + of + " with a flipped tag",
          attempt([&] { return key->gcmDecrypt(iv, aad, strict.bytes, flipLast(strict.tag)); }));
  refuses("gcmDecryptLazy" + of + " with a flipped tag", attempt([&] {
            return key->gcmDecryptLazy(iv, lazyAad, lazyCipher, flipLast(strict.tag));
          }));
}

void longCcm(const Oracle& o, std::size_t n) {
  const auto key = o.fixedKey(73);
  const ByteString nonce = detail::fixedMessage(12);
  const ByteString aad = detail::fixedMessage(n / 4 + 3);
  const ByteString text = detail::fixedMessage(n);
  const std::string of = " of " + std::to_string(n) + " bytes";
  const Outcome sealed = attempt([&] { return key->ccmEncrypt(nonce, aad, text, 16); });
  agree("ccmEncrypt" + of, "ccmEncrypt", sealed, "kavrit's generic CCM",
        attempt([&] { return detail::genericCcmEncrypt(*key, o.b, nonce, aad, text, 16); }));
  agree("ccmDecrypt" + of, "ccmDecrypt",
        attempt([&] { return key->ccmDecrypt(nonce, aad, sealed.bytes, sealed.tag); }), "plaintext",
        detail::outcomeOf(text));
  refuses("ccmDecrypt" + of + " with a flipped tag",
          attempt([&] { return key->ccmDecrypt(nonce, aad, sealed.bytes, flipLast(sealed.tag)); }));
}

void longXts(const Oracle& o, std::size_t n) {
  const auto dataKey = o.fixedKey(79);
  const auto tweakKey = o.fixedKey(83);
  const ByteString tweak = detail::fixedMessage(16);
  const ByteString data = detail::fixedMessage(n);
  const std::string of = " of a data unit of " + std::to_string(n) + " bytes";
  const Outcome encrypted = attempt([&] { return dataKey->xts(false, *tweakKey, tweak, data); });
  agree("xtsEncrypt" + of, "xtsEncrypt", encrypted, "kavrit's generic XTS",
        attempt([&] { return detail::genericXts(*dataKey, *tweakKey, o.b, false, tweak, data); }));
  agree("xtsDecrypt" + of, "xtsDecrypt",
        attempt([&] { return dataKey->xts(true, *tweakKey, tweak, data); }), "kavrit's generic XTS",
        attempt([&] { return detail::genericXts(*dataKey, *tweakKey, o.b, true, tweak, data); }));
  agree("xtsDecrypt of xtsEncrypt" + of, "xtsDecrypt",
        attempt([&] { return dataKey->xts(true, *tweakKey, tweak, encrypted.bytes); }), "the data",
        detail::outcomeOf(data));
}

void longCmac(const Oracle& o, std::size_t n) {
  const auto key = o.fixedKey(89);
  const ByteString message = detail::fixedMessage(n);
  const std::string of = " of " + std::to_string(n) + " bytes";
  const Outcome strict = attempt([&] { return key->cmac(message); });
  agree("cmac" + of, "cmac", strict, "kavrit's generic CMAC",
        attempt([&] { return detail::genericCmac(*key, o.b, message); }));
  const LazyByteString lazy = applyChunkPlan(message, unevenChunks(n));
  agree("cmacLazy" + of + " in uneven chunks", "cmacLazy",
        attempt([&] { return key->cmacLazy(lazy); }), "cmac", strict);
}

void longCbcPad(const Oracle& o, std::size_t n) {
  const auto key = o.fixedKey(97);
  const ByteString iv = o.iv(detail::fixedMessage(o.b + 5));
  const ByteString text = detail::fixedMessage(n);
  const std::string of = " of " + std::to_string(n) + " bytes";
  const Outcome strict = attempt([&] { return key->cbcPad(iv, text); });
  agree("cbcPad" + of, "cbcPad", strict, "kavrit's generic CBC with padding",
        attempt([&] { return detail::genericCbcPad(*key, o.b, iv, text); }));
  agree("cbcPadLazy" + of + " in uneven chunks", "cbcPadLazy",
        attempt([&] { return key->cbcPadLazy(iv, applyChunkPlan(text, unevenChunks(n))); }),
        "cbcPad", strict);
  const LazyByteString lazyCipher = applyChunkPlan(strict.bytes, unevenChunks(strict.bytes.size()));
  agree("unCbcPad" + of, "unCbcPad", attempt([&] { return key->unCbcPad(iv, strict.bytes); }),
        "plaintext", detail::outcomeOf(text));
  agree("unCbcPadLazy" + of + " in uneven chunks", "unCbcPadLazy",
        attempt([&] { return key->unCbcPadLazy(iv, lazyCipher); }), "plaintext",
        detail::outcomeOf(text));
  const ByteString bad = flipLast(strict.bytes);
  const Outcome generic = attempt([&] { return detail::genericUnCbcPad(*key, o.b, iv, bad); });
  agree("unCbcPad" + of + " with a flipped last byte", "unCbcPad",
        attempt([&] { return key->unCbcPad(iv, bad); }), "kavrit's generic", generic);
  agree("unCbcPadLazy" + of + " with a flipped last byte", "unCbcPadLazy", attempt([&] {
          return key->unCbcPadLazy(iv, applyChunkPlan(bad, unevenChunks(bad.size())));
        }),
        "kavrit's generic", generic);
}

struct LongConstruction {
  const char* label;
  bool (*defined)(std::size_t blockBytes);
  void (*run)(const Oracle&, std::size_t);
};

bool only128(std::size_t b) { return b == 16; }

constexpr LongConstruction kLong[] = {
    {"GCM", only128, longGcm},
    {"CCM", only128, longCcm},
    {"XTS", only128, longXts},
    {"CMAC", [](std::size_t b) { return b == 8 || b == 16; }, longCmac},
    {"CBCPad", [](std::size_t b) { return b >= 1 && b <= 255; }, longCbcPad},
};

}  // namespace

Test makeLongConstructionTests(const AnyBlockCipher& cipher) {
  const std::size_t b = cipher.blockBytes();
  std::vector<Test> members;
  std::vector<Test> slow;
  for (const LongConstruction& c : kLong) {
    if (!c.defined(b)) continue;
    members.push_back(testCase(std::string(c.label) + "LongMessage",
                               [&cipher, &c] { c.run(Oracle(cipher), 65537); }));
    slow.push_back(
        testCase(std::string(c.label) + "1MiB", [&cipher, &c] { c.run(Oracle(cipher), kMiB); }));
  }
  members.push_back(testGroup("Slow", std::move(slow)));
  return testGroup("Long Construction Tests", std::move(members));
}

}  // namespace kavrit::test
