#include "kavrit/test/construction_oracles.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/boundaries.hpp"
#include "kavrit/test/hex.hpp"
#include "laws/construction_support.hpp"
#include "laws/drawn_bytes.hpp"
#include "laws/drawn_keys.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test {

namespace detail {

namespace {

std::size_t kdfHashBytes(const AnyHash& h, const char* function) {
  const long bits = h.outputLength();
  if (bits < 8 || bits % 8 != 0) {
    throw std::invalid_argument(std::string(function) + ": an output length of " +
                                std::to_string(bits) + " bits is not a positive number of bytes");
  }
  return static_cast<std::size_t>(bits / 8);
}

ByteString kdfMac(const AnyHash& h, const char* function, const ByteString& key,
                  const ByteString& message, std::size_t hashBytes) {
  ByteString mac = h.hmacStrict(key, message).serialize();
  if (mac.size() != hashBytes) {
    throw std::runtime_error(std::string(function) + ": hmacStrict gave " +
                             std::to_string(mac.size()) + " bytes where the output length is " +
                             std::to_string(hashBytes) + " bytes");
  }
  return mac;
}

void appendIndex(ByteString& out, std::uint32_t index, std::size_t bytes) {
  for (std::size_t i = bytes; i-- > 0;) out.push_back(static_cast<std::uint8_t>(index >> (8 * i)));
}

}  // namespace

ByteString genericHkdfExtract(const AnyHash& h, const ByteString& salt, const ByteString& ikm) {
  return kdfMac(h, "hkdfExtract", salt, ikm, kdfHashBytes(h, "hkdfExtract"));
}

ByteString genericHkdfExpand(const AnyHash& h, const ByteString& prk, const ByteString& info,
                             std::size_t length) {
  const std::size_t hashBytes = kdfHashBytes(h, "hkdfExpand");
  if (length > 255 * hashBytes) {
    throw std::invalid_argument("hkdfExpand: an output of " + std::to_string(length) +
                                " bytes is longer than 255 times the hash length");
  }
  ByteString out;
  ByteString block;
  for (std::uint32_t i = 1; out.size() < length; ++i) {
    ByteString input = std::move(block);
    input.insert(input.end(), info.begin(), info.end());
    appendIndex(input, i, 1);
    block = kdfMac(h, "hkdfExpand", prk, input, hashBytes);
    out.insert(out.end(), block.begin(), block.end());
  }
  out.resize(length);
  return out;
}

ByteString genericPbkdf2(const AnyHash& h, const ByteString& password, const ByteString& salt,
                         std::uint64_t iterations, std::size_t length) {
  const std::size_t hashBytes = kdfHashBytes(h, "pbkdf2");
  if (iterations == 0)
    throw std::invalid_argument("pbkdf2: the iteration count must be at least 1");
  if (length / hashBytes + (length % hashBytes != 0 ? 1 : 0) > 0xffffffffu) {
    throw std::invalid_argument("pbkdf2: an output needing more than 2^32 - 1 blocks");
  }
  ByteString out;
  for (std::uint32_t i = 1; out.size() < length; ++i) {
    ByteString u = salt;
    appendIndex(u, i, 4);
    u = kdfMac(h, "pbkdf2", password, u, hashBytes);
    ByteString t = u;
    for (std::uint64_t round = 1; round < iterations; ++round) {
      u = kdfMac(h, "pbkdf2", password, u, hashBytes);
      for (std::size_t j = 0; j < hashBytes; ++j) t[j] ^= u[j];
    }
    out.insert(out.end(), t.begin(), t.end());
  }
  out.resize(length);
  return out;
}

}  // namespace detail

namespace {

using detail::attempt;
using detail::Oracle;
using detail::Outcome;

constexpr std::size_t k64KiBPlus1 = 65537;

// GF(2^128) in GCM's bit order (bit 0 is the high bit of byte 0), written apart from kavrit's
// GHASH so that a wrong product there cannot also hide in the crafted IV.
using Gf = std::array<std::uint8_t, 16>;

Gf gfMultiply(const Gf& x, const Gf& y) {
  Gf z{};
  Gf v = y;
  for (int i = 0; i < 128; ++i) {
    if (((x[static_cast<std::size_t>(i / 8)] >> (7 - i % 8)) & 1) != 0) {
      for (std::size_t j = 0; j < 16; ++j) z[j] ^= v[j];
    }
    const bool low = (v[15] & 1) != 0;
    for (std::size_t j = 15; j > 0; --j) {
      v[j] = static_cast<std::uint8_t>((v[j] >> 1) | (v[j - 1] << 7));
    }
    v[0] = static_cast<std::uint8_t>(v[0] >> 1);
    if (low) v[0] ^= 0xe1;
  }
  return z;
}

// a^(2^128 - 2), the product of a^(2^i) for i = 1..127.
Gf gfInverse(const Gf& a) {
  Gf result{};
  result[0] = 0x80;
  Gf power = a;
  for (int i = 1; i < 128; ++i) {
    power = gfMultiply(power, power);
    result = gfMultiply(result, power);
  }
  return result;
}

Gf toGf(const ByteString& bytes) {
  Gf out{};
  std::copy(bytes.begin(), bytes.end(), out.begin());
  return out;
}

// The 16-byte IV whose first counter block is `j0`: J0 = ((X·H) ⊕ L)·H over one IV block X and
// the length block L = 0^64 ‖ [128]_64, so X = ((J0·H⁻¹) ⊕ L)·H⁻¹.
ByteString ivForCounterBlock(const AnyKey& key, const ByteString& j0) {
  const ByteString h = key.encryptBlock(ByteString(16, 0));
  if (h == ByteString(16, 0)) throw AssertionFailure("E_K(0) is zero: no IV can be solved for");
  const Gf hInverse = gfInverse(toGf(h));
  Gf x = gfMultiply(toGf(j0), hInverse);
  x[15] ^= 0x80;
  x = gfMultiply(x, hInverse);
  return ByteString(x.begin(), x.end());
}

// A counter block whose low 32 bits are fffffffe: the second block of text is encrypted under
// ...ffffffff and the third under the wrapped ...00000000.
ByteString wrapCounterBlock() {
  ByteString j0 = detail::fixedMessage(12);
  j0.insert(j0.end(), {0xff, 0xff, 0xff, 0xfe});
  return j0;
}

// The solved IV, after checking on kavrit's generic GCM that it does start the counter there.
ByteString wrapIv(const AnyKey& key) {
  const ByteString j0 = wrapCounterBlock();
  const ByteString iv = ivForCounterBlock(key, j0);
  const AeadSealed sealed =
      detail::genericGcmEncrypt(key, 16, iv, ByteString(), ByteString(48, 0), 16);
  ByteString wrapped(j0.begin(), j0.begin() + 12);
  wrapped.resize(16, 0);
  const ByteString expected = key.encryptBlock(wrapped);
  if (!std::equal(expected.begin(), expected.end(), sealed.ciphertext.begin() + 16)) {
    throw std::logic_error("the solved GCM IV " + toHex(iv) + " does not wrap the counter");
  }
  return iv;
}

std::vector<ChunkPlan> plansFor(std::size_t n, std::size_t b) {
  return {fixedSizeChunks(n, n == 0 ? 1 : n), fixedSizeChunks(n, b), fixedSizeChunks(n, b + 7)};
}

ByteString flipped(ByteString bytes, std::size_t at) {
  if (!bytes.empty()) bytes[std::min(at, bytes.size() - 1)] ^= 0x01;
  return bytes;
}

// The fixed message of n + skip bytes without its first `skip`: another text of the same length.
ByteString shifted(std::size_t n, std::size_t skip) {
  ByteString bytes = detail::fixedMessage(n + skip);
  bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(skip));
  return bytes;
}

std::string sizes(std::size_t aad, std::size_t text) {
  return std::to_string(aad) + "-byte AAD and " + std::to_string(text) + "-byte text";
}

// --- GCM -----------------------------------------------------------------------------------

void gcmCase(const Oracle& o, const AnyKey& key, const ByteString& iv, const ByteString& aad,
             const ByteString& text, std::size_t tagBytes, bool chunked = true) {
  const std::size_t b = o.b;
  const std::string what = sizes(aad.size(), text.size()) + " under IV " + toHex(iv) + ", " +
                           std::to_string(tagBytes) + "-byte tag";
  const std::vector<ChunkPlan> aadPlans =
      chunked ? plansFor(aad.size(), b) : std::vector<ChunkPlan>{fixedSizeChunks(aad.size(), 1000)};
  const std::vector<ChunkPlan> textPlans =
      chunked ? plansFor(text.size(), b)
              : std::vector<ChunkPlan>{fixedSizeChunks(text.size(), 1000)};
  if (o.brings("gcmEncrypt")) {
    o.check("gcmEncrypt", what, attempt([&] { return key.gcmEncrypt(iv, aad, text, tagBytes); }),
            attempt([&] { return detail::genericGcmEncrypt(key, b, iv, aad, text, tagBytes); }));
  }
  if (o.brings("gcmEncryptLazy")) {
    for (std::size_t p = 0; p < textPlans.size(); ++p) {
      const LazyByteString a = applyChunkPlan(aad, aadPlans[p]);
      const LazyByteString t = applyChunkPlan(text, textPlans[p]);
      o.check("gcmEncryptLazy",
              what + " in chunks " + describeChunkPlan(aadPlans[p]) + " and " +
                  describeChunkPlan(textPlans[p]),
              attempt([&] { return key.gcmEncryptLazy(iv, a, t, tagBytes); }),
              attempt([&] { return detail::genericGcmEncrypt(key, b, iv, a, t, tagBytes); }));
    }
  }
  if (!o.brings("gcmDecrypt") && !o.brings("gcmDecryptLazy")) return;
  AeadSealed sealed;
  try {
    sealed = detail::genericGcmEncrypt(key, b, iv, aad, text, tagBytes);
  } catch (const std::exception&) {
    sealed = AeadSealed{text, ByteString(tagBytes, 0)};
  }
  struct Forgery {
    const char* label;
    ByteString aad;
    ByteString ciphertext;
    ByteString tag;
  };
  std::vector<Forgery> tries{{"its own ciphertext and tag", aad, sealed.ciphertext, sealed.tag},
                             {"a flipped tag", aad, sealed.ciphertext, flipped(sealed.tag, 15)}};
  if (!sealed.ciphertext.empty()) {
    tries.push_back({"a flipped last ciphertext byte", aad,
                     flipped(sealed.ciphertext, sealed.ciphertext.size() - 1), sealed.tag});
  }
  if (!aad.empty()) {
    tries.push_back(
        {"a flipped AAD byte", flipped(aad, aad.size() / 2), sealed.ciphertext, sealed.tag});
  }
  tries.push_back({"a 3-byte tag", aad, sealed.ciphertext,
                   ByteString(sealed.tag.begin(), sealed.tag.begin() + 3)});
  for (const Forgery& f : tries) {
    const std::string on = what + ", given " + f.label;
    if (o.brings("gcmDecrypt")) {
      o.check("gcmDecrypt", on,
              attempt([&] { return key.gcmDecrypt(iv, f.aad, f.ciphertext, f.tag); }), attempt([&] {
                return detail::genericGcmDecrypt(key, b, iv, f.aad, f.ciphertext, f.tag);
              }));
    }
    if (o.brings("gcmDecryptLazy")) {
      const std::size_t p = f.ciphertext.size() % textPlans.size();
      const LazyByteString a = applyChunkPlan(f.aad, aadPlans[p]);
      const LazyByteString c = applyChunkPlan(f.ciphertext, textPlans[p]);
      o.check("gcmDecryptLazy", on + " in chunks " + describeChunkPlan(textPlans[p]),
              attempt([&] { return key.gcmDecryptLazy(iv, a, c, f.tag); }),
              attempt([&] { return detail::genericGcmDecrypt(key, b, iv, a, c, f.tag); }));
    }
  }
}

void gcmEdges(const Oracle& o) {
  const auto key = o.fixedKey(41);
  const ByteString iv12 = detail::fixedMessage(12);
  const ByteString iv16 = detail::fixedMessage(16);
  const ByteString wrap = wrapIv(*key);
  for (std::size_t n = 0; n <= 2 * o.b + 1; ++n) {
    gcmCase(o, *key, iv12, detail::fixedMessage(n), shifted(n, 3), 16);
    gcmCase(o, *key, iv16, detail::fixedMessage(2 * o.b + 1 - n), detail::fixedMessage(n), 12);
  }
  gcmCase(o, *key, ByteString(), ByteString(), detail::fixedMessage(5), 16);
  gcmCase(o, *key, ByteString(1, 0x5a), ByteString(), detail::fixedMessage(5), 16);
  gcmCase(o, *key, iv12, ByteString(), ByteString(), 4);
  gcmCase(o, *key, iv12, ByteString(), ByteString(), 17);
  for (const std::size_t n : {16, 32, 33, 48, 64, 100}) {
    gcmCase(o, *key, wrap, ByteString(), detail::fixedMessage(n), 16);
    gcmCase(o, *key, wrap, detail::fixedMessage(20), detail::fixedMessage(n), 16);
  }
  gcmCase(o, *key, iv12, ByteString(), detail::fixedMessage(k64KiBPlus1), 16);
  gcmCase(o, *key, wrap, detail::fixedMessage(300), detail::fixedMessage(k64KiBPlus1), 16, false);
  gcmCase(o, *key, iv16, detail::fixedMessage(k64KiBPlus1), detail::fixedMessage(17), 16);
}

void gcmDrawn(const Oracle& o) {
  const auto key = detail::keyOrDiscard(o.cipher, *rc::gen::arbitrary<RandomBytes>());
  ByteString iv;
  switch (*rc::gen::inRange(0, 3)) {
    case 0:
      iv = detail::pickBytes(arbitraryByteStringOfLength(12));
      break;
    case 1:
      iv = detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(1, 40)));
      break;
    default:
      iv = wrapIv(*key);
  }
  const ByteString aad =
      detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(0, 600)));
  const ByteString text =
      detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(0, 300)));
  const std::size_t tagBytes = *rc::gen::inRange<std::size_t>(4, 17);
  gcmCase(o, *key, iv, aad, text, tagBytes);
}

// --- CCM -----------------------------------------------------------------------------------

void ccmCase(const Oracle& o, const AnyKey& key, const ByteString& nonce, const ByteString& aad,
             const ByteString& text, std::size_t tagBytes) {
  const std::size_t b = o.b;
  const std::string what = sizes(aad.size(), text.size()) + " under the " +
                           std::to_string(nonce.size()) + "-byte nonce " + toHex(nonce) + ", " +
                           std::to_string(tagBytes) + "-byte tag";
  if (o.brings("ccmEncrypt")) {
    o.check("ccmEncrypt", what, attempt([&] { return key.ccmEncrypt(nonce, aad, text, tagBytes); }),
            attempt([&] { return detail::genericCcmEncrypt(key, b, nonce, aad, text, tagBytes); }));
  }
  if (!o.brings("ccmDecrypt")) return;
  AeadSealed sealed;
  try {
    sealed = detail::genericCcmEncrypt(key, b, nonce, aad, text, tagBytes);
  } catch (const std::exception&) {
    sealed = AeadSealed{text, ByteString(tagBytes, 0)};
  }
  const auto decrypt = [&](const char* label, const ByteString& a, const ByteString& c,
                           const ByteString& t) {
    o.check("ccmDecrypt", what + ", given " + label,
            attempt([&] { return key.ccmDecrypt(nonce, a, c, t); }),
            attempt([&] { return detail::genericCcmDecrypt(key, b, nonce, a, c, t); }));
  };
  decrypt("its own ciphertext and tag", aad, sealed.ciphertext, sealed.tag);
  decrypt("a flipped tag", aad, sealed.ciphertext, flipped(sealed.tag, 0));
  if (!sealed.ciphertext.empty()) {
    decrypt("a flipped ciphertext byte", aad, flipped(sealed.ciphertext, 0), sealed.tag);
  }
  if (!aad.empty())
    decrypt("a flipped AAD byte", flipped(aad, aad.size() - 1), sealed.ciphertext, sealed.tag);
  decrypt("a 5-byte tag", aad, sealed.ciphertext, ByteString(5, 0));
}

void ccmEdges(const Oracle& o) {
  const auto key = o.fixedKey(43);
  const ByteString n7 = detail::fixedMessage(7);
  const ByteString n12 = detail::fixedMessage(12);
  const ByteString n13 = detail::fixedMessage(13);
  for (std::size_t n = 0; n <= 2 * o.b + 1; ++n) {
    ccmCase(o, *key, n13, detail::fixedMessage(n), shifted(n, 1), 16);
    ccmCase(o, *key, n7, detail::fixedMessage(2 * o.b + 1 - n), detail::fixedMessage(n), 4);
  }
  // The AAD length takes 2 bytes below 2^16 - 2^8 and ff fe plus 4 bytes from there on.
  for (const std::size_t a : {65279, 65280, 65281}) {
    for (const std::size_t n : {0, 17}) {
      ccmCase(o, *key, n13, detail::fixedMessage(a), detail::fixedMessage(n), 8);
    }
  }
  for (const std::size_t n : {65279, 65281}) {
    ccmCase(o, *key, n13, detail::fixedMessage(9), detail::fixedMessage(n), 16);
  }
  // 64 KiB + 1 needs a 3-byte length field: a 13-byte nonce leaves 2, so both must throw.
  ccmCase(o, *key, n12, ByteString(), detail::fixedMessage(k64KiBPlus1), 16);
  ccmCase(o, *key, n13, ByteString(), detail::fixedMessage(k64KiBPlus1), 16);
  ccmCase(o, *key, detail::fixedMessage(6), ByteString(), detail::fixedMessage(3), 16);
  ccmCase(o, *key, n12, ByteString(), detail::fixedMessage(3), 7);
}

void ccmDrawn(const Oracle& o) {
  const auto key = detail::keyOrDiscard(o.cipher, *rc::gen::arbitrary<RandomBytes>());
  const ByteString nonce =
      detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(7, 14)));
  const ByteString aad =
      detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(0, 600)));
  const ByteString text =
      detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(0, 300)));
  const std::size_t tagBytes = 2 * *rc::gen::inRange<std::size_t>(2, 9);
  ccmCase(o, *key, nonce, aad, text, tagBytes);
}

// --- XTS -----------------------------------------------------------------------------------

void xtsCase(const Oracle& o, const AnyKey& dataKey, const AnyKey& tweakKey,
             const ByteString& tweak, const ByteString& data) {
  const std::string what =
      "a " + std::to_string(data.size()) + "-byte data unit under tweak " + toHex(tweak);
  for (const bool decrypt : {false, true}) {
    const char* entry = decrypt ? "xtsDecrypt" : "xtsEncrypt";
    if (!o.brings(entry)) continue;
    o.check(
        entry, what, attempt([&] { return dataKey.xts(decrypt, tweakKey, tweak, data); }),
        attempt([&] { return detail::genericXts(dataKey, tweakKey, o.b, decrypt, tweak, data); }));
  }
}

void xtsEdges(const Oracle& o) {
  const auto dataKey = o.fixedKey(47);
  const auto tweakKey = o.fixedKey(53);
  ByteString sector(16, 0);
  sector[0] = 0x2a;
  for (const ByteString& tweak : {ByteString(16, 0), sector, detail::fixedMessage(16)}) {
    for (std::size_t n = 0; n <= 2 * o.b + 1; ++n) {
      xtsCase(o, *dataKey, *tweakKey, tweak, detail::fixedMessage(n));
    }
  }
  for (const std::size_t n : {33 * 16, 33 * 16 + 5, 1001 * 16, 1001 * 16 + 7, 65537}) {
    xtsCase(o, *dataKey, *tweakKey, sector, detail::fixedMessage(n));
  }
  xtsCase(o, *dataKey, *tweakKey, ByteString(15, 0), detail::fixedMessage(32));
}

void xtsDrawn(const Oracle& o) {
  const auto dataSeed = *rc::gen::arbitrary<RandomBytes>();
  const auto tweakSeed = *rc::gen::arbitrary<RandomBytes>();
  // Equal halves are refused by some implementations (IEEE 1619 forbids them), rightly.
  RC_PRE(keyMaterial(o.cipher.keyLength(), dataSeed.value) !=
         keyMaterial(o.cipher.keyLength(), tweakSeed.value));
  const auto dataKey = detail::keyOrDiscard(o.cipher, dataSeed);
  const auto tweakKey = detail::keyOrDiscard(o.cipher, tweakSeed);
  const ByteString tweak = detail::pickBytes(arbitraryByteStringOfLength(16));
  const ByteString data =
      detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(16, 800)));
  xtsCase(o, *dataKey, *tweakKey, tweak, data);
}

// --- CMAC ----------------------------------------------------------------------------------

void cmacCase(const Oracle& o, const AnyKey& key, const ByteString& message,
              const std::vector<ChunkPlan>& plans, const std::string& keyText) {
  const std::string what = "the " + std::to_string(message.size()) + "-byte message" + keyText;
  if (o.brings("cmac")) {
    o.check("cmac", what, attempt([&] { return key.cmac(message); }),
            attempt([&] { return detail::genericCmac(key, o.b, message); }));
  }
  if (o.brings("cmacLazy")) {
    for (const ChunkPlan& plan : plans) {
      const LazyByteString in = applyChunkPlan(message, plan);
      o.check("cmacLazy", what + " in chunks " + describeChunkPlan(plan),
              attempt([&] { return key.cmacLazy(in); }),
              attempt([&] { return detail::genericCmac(key, o.b, in); }));
    }
  }
}

// Keys for each way the subkeys come out: L = E_K(0) with high bit 0 and 1 (K1 without and with
// R_b folded in), and within each, K1 with high bit 0 and 1 (the same for K2).
std::vector<std::pair<std::unique_ptr<const AnyKey>, std::string>> cmacSubkeyKeys(const Oracle& o) {
  std::vector<std::pair<std::unique_ptr<const AnyKey>, std::string>> keys(4);
  std::size_t found = 0;
  for (std::size_t seed = 0; seed < 400 && found < 4; ++seed) {
    const ByteString bytes = keyMaterial(
        o.cipher.keyLength(),
        {static_cast<std::uint8_t>(seed), static_cast<std::uint8_t>(seed >> 8), 0x3c, 0x71});
    auto key = o.cipher.buildKey(bytes);
    if (!key) continue;
    const std::uint8_t high = key->encryptBlock(ByteString(o.b, 0))[0];
    const std::size_t kind = (high >> 6) & 3;
    if (keys[kind].first) continue;
    keys[kind] = {std::move(key), std::string(" under key ") + toHex(bytes) + " (L starts " +
                                      ((kind & 2) != 0 ? "1" : "0") +
                                      ((kind & 1) != 0 ? "1" : "0") + ")"};
    ++found;
  }
  if (found < 4) {
    throw AssertionFailure("no key among 400 gives each of the four leading bit pairs of E_K(0)");
  }
  return keys;
}

void cmacEdges(const Oracle& o) {
  for (const auto& [key, text] : cmacSubkeyKeys(o)) {
    for (std::size_t n = 0; n <= 2 * o.b + 1; ++n) {
      cmacCase(o, *key, detail::fixedMessage(n), plansFor(n, o.b), text);
    }
    cmacCase(o, *key, detail::fixedMessage(k64KiBPlus1), {fixedSizeChunks(k64KiBPlus1, 1000)},
             text);
  }
}

void cmacDrawn(const Oracle& o) {
  const auto key = detail::keyOrDiscard(o.cipher, *rc::gen::arbitrary<RandomBytes>());
  const ByteString message =
      detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(0, 400)));
  cmacCase(o, *key, message, {*arbitraryChunkPlan(message.size(), o.b)}, "");
}

// --- KW and KWP ----------------------------------------------------------------------------

void wrapCase(const Oracle& o, const AnyKey& key, KeyWrapKind kind, const ByteString& in) {
  const bool pad = kind == KeyWrapKind::KWP;
  const std::string wrapName = pad ? "keyWrapPad" : "keyWrap";
  const std::string unwrapName = pad ? "keyUnwrapPad" : "keyUnwrap";
  const std::string what = "a " + std::to_string(in.size()) + "-byte input";
  if (o.brings(wrapName)) {
    o.check(wrapName, what, attempt([&] { return key.keyWrap(kind, in); }),
            attempt([&] { return detail::genericKeyWrap(key, kind, o.b, in); }));
  }
  if (!o.brings(unwrapName)) return;
  ByteString wrapped;
  try {
    wrapped = detail::genericKeyWrap(key, kind, o.b, in);
  } catch (const std::exception&) {
    wrapped = in;
  }
  const auto unwrap = [&](const std::string& label, const ByteString& w) {
    o.check(unwrapName, "the wrapping of " + what + ", " + label,
            attempt([&] { return key.keyUnwrap(kind, w); }),
            attempt([&] { return detail::genericKeyUnwrap(key, kind, o.b, w); }));
  };
  unwrap("as it is", wrapped);
  unwrap("with a flipped first byte", flipped(wrapped, 0));
  unwrap("with a flipped last byte", flipped(wrapped, wrapped.size() - 1));
  if (wrapped.size() >= 8) unwrap("cut by 8 bytes", ByteString(wrapped.begin(), wrapped.end() - 8));
  unwrap("cut by 1 byte", ByteString(wrapped.begin(), wrapped.end() - (wrapped.empty() ? 0 : 1)));
}

void wrapEdges(const Oracle& o, KeyWrapKind kind) {
  const auto key = o.fixedKey(59);
  for (std::size_t n = 0; n <= 2 * o.b + 1; ++n) wrapCase(o, *key, kind, detail::fixedMessage(n));
  wrapCase(o, *key, kind, detail::fixedMessage(kind == KeyWrapKind::KW ? 65536 + 8 : k64KiBPlus1));
}

void wrapDrawn(const Oracle& o, KeyWrapKind kind) {
  const auto key = detail::keyOrDiscard(o.cipher, *rc::gen::arbitrary<RandomBytes>());
  std::size_t n = *rc::gen::inRange<std::size_t>(0, 200);
  if (kind == KeyWrapKind::KW && *rc::gen::inRange(0, 4) != 0) n -= n % 8;
  wrapCase(o, *key, kind, detail::pickBytes(arbitraryByteStringOfLength(n)));
}

// --- CBC with padding ----------------------------------------------------------------------

void cbcPadCase(const Oracle& o, const AnyKey& key, const ByteString& iv, const ByteString& text,
                const std::vector<ChunkPlan>& plans) {
  const std::size_t b = o.b;
  const std::string what = "the " + std::to_string(text.size()) + "-byte text from IV " + toHex(iv);
  if (o.brings("cbcPad")) {
    o.check("cbcPad", what, attempt([&] { return key.cbcPad(iv, text); }),
            attempt([&] { return detail::genericCbcPad(key, b, iv, text); }));
  }
  if (o.brings("cbcPadLazy")) {
    for (const ChunkPlan& plan : plans) {
      const LazyByteString in = applyChunkPlan(text, plan);
      o.check("cbcPadLazy", what + " in chunks " + describeChunkPlan(plan),
              attempt([&] { return key.cbcPadLazy(iv, in); }),
              attempt([&] { return detail::genericCbcPad(key, b, iv, in); }));
    }
  }
  if (!o.brings("unCbcPad") && !o.brings("unCbcPadLazy")) return;
  std::vector<std::pair<std::string, ByteString>> tries;
  ByteString sealed;
  try {
    sealed = detail::genericCbcPad(key, b, iv, text);
  } catch (const std::exception&) {
    sealed = text;
  }
  tries.emplace_back("its own ciphertext", sealed);
  tries.emplace_back("a flipped last byte", flipped(sealed, sealed.size() - 1));
  tries.emplace_back("a flipped byte of the block before",
                     flipped(sealed, sealed.size() >= 2 * b ? sealed.size() - b - 1 : 0));
  tries.emplace_back("one byte less",
                     ByteString(sealed.begin(), sealed.end() - (sealed.empty() ? 0 : 1)));
  // Whole blocks encrypted without padding, ending in padding that is wrong in one way each.
  const std::size_t whole = std::max<std::size_t>(b, text.size() - text.size() % b);
  ByteString bad = detail::fixedMessage(whole);
  const auto raw = [&](const std::string& label, std::size_t last, std::size_t before) {
    bad.back() = static_cast<std::uint8_t>(last);
    if (b >= 2) bad[bad.size() - 2] = static_cast<std::uint8_t>(before);
    tries.emplace_back(label, detail::genericChained(key, ChainedMode::CBC, b, iv, bad).first);
  };
  raw("a last byte of 0", 0, 0);
  raw("a last byte over the block", b + 1, b + 1);
  if (b >= 2) raw("pad bytes 03 02", 2, 3);
  raw("a full block of padding", b, b);
  for (const auto& given : tries) {
    const ByteString& c = given.second;  // a structured binding cannot be captured in C++20
    const std::string on = what + ", given " + given.first;
    if (o.brings("unCbcPad")) {
      o.check("unCbcPad", on, attempt([&] { return key.unCbcPad(iv, c); }),
              attempt([&] { return detail::genericUnCbcPad(key, b, iv, c); }));
    }
    if (o.brings("unCbcPadLazy")) {
      const ChunkPlan plan = fixedSizeChunks(c.size(), b + 3);
      const LazyByteString in = applyChunkPlan(c, plan);
      o.check("unCbcPadLazy", on + " in chunks " + describeChunkPlan(plan),
              attempt([&] { return key.unCbcPadLazy(iv, in); }),
              attempt([&] { return detail::genericUnCbcPad(key, b, iv, in); }));
    }
  }
}

void cbcPadEdges(const Oracle& o) {
  const auto key = o.fixedKey(61);
  for (const ByteString& ivBytes : {ByteString(o.b, 0), detail::fixedMessage(o.b)}) {
    const ByteString iv = o.iv(ivBytes);
    for (std::size_t n = 0; n <= 2 * o.b + 1; ++n) {
      cbcPadCase(o, *key, iv, detail::fixedMessage(n), plansFor(n, o.b));
    }
  }
  cbcPadCase(o, *key, o.iv(detail::fixedMessage(o.b)), detail::fixedMessage(k64KiBPlus1),
             {fixedSizeChunks(k64KiBPlus1, 1000)});
}

void cbcPadDrawn(const Oracle& o) {
  const auto key = detail::keyOrDiscard(o.cipher, *rc::gen::arbitrary<RandomBytes>());
  const ByteString iv = detail::ivOrDiscard(
      o.cipher, RandomBytes{detail::pickBytes(arbitraryByteStringOfLength(o.b))});
  const ByteString text =
      detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(0, 300)));
  cbcPadCase(o, *key, iv, text, {*arbitraryChunkPlan(text.size(), o.b)});
}

// --- The table -----------------------------------------------------------------------------

struct ConstructionOracle {
  const char* label;
  std::vector<std::string_view> entries;
  bool (*defined)(std::size_t blockBytes);
  std::function<void(const Oracle&)> edges;
  std::function<void(const Oracle&)> drawn;
};

bool only128(std::size_t b) { return b == 16; }
bool cmacBlocks(std::size_t b) { return b == 8 || b == 16; }
bool cbcPadBlocks(std::size_t b) { return b >= 1 && b <= 255; }

const std::vector<ConstructionOracle>& constructions() {
  static const std::vector<ConstructionOracle> table{
      {"GCM",
       {"gcmEncrypt", "gcmDecrypt", "gcmEncryptLazy", "gcmDecryptLazy"},
       only128,
       gcmEdges,
       gcmDrawn},
      {"CCM", {"ccmEncrypt", "ccmDecrypt"}, only128, ccmEdges, ccmDrawn},
      {"XTS", {"xtsEncrypt", "xtsDecrypt"}, only128, xtsEdges, xtsDrawn},
      {"CMAC", {"cmac", "cmacLazy"}, cmacBlocks, cmacEdges, cmacDrawn},
      {"KW",
       {"keyWrap", "keyUnwrap"},
       only128,
       [](const Oracle& o) { wrapEdges(o, KeyWrapKind::KW); },
       [](const Oracle& o) { wrapDrawn(o, KeyWrapKind::KW); }},
      {"KWP",
       {"keyWrapPad", "keyUnwrapPad"},
       only128,
       [](const Oracle& o) { wrapEdges(o, KeyWrapKind::KWP); },
       [](const Oracle& o) { wrapDrawn(o, KeyWrapKind::KWP); }},
      {"CBCPad",
       {"cbcPad", "unCbcPad", "cbcPadLazy", "unCbcPadLazy"},
       cbcPadBlocks,
       cbcPadEdges,
       cbcPadDrawn},
  };
  return table;
}

// --- KDF -----------------------------------------------------------------------------------

bool bringsKdf(const AnyHash& h, std::string_view hook) {
  const std::vector<std::string_view> own = h.ownKDFHooks();
  return std::find(own.begin(), own.end(), hook) != own.end();
}

void hkdfCase(const AnyHash& h, const ByteString& salt, const ByteString& ikm,
              const ByteString& info, std::size_t length) {
  const std::string what = std::to_string(salt.size()) + "-byte salt, " +
                           std::to_string(ikm.size()) + "-byte key material, " +
                           std::to_string(info.size()) + "-byte info, " + std::to_string(length) +
                           "-byte output";
  if (bringsKdf(h, "hkdf")) {
    detail::compareOutcomes("hkdf", what, attempt([&] { return h.hkdf(salt, ikm, info, length); }),
                            attempt([&] {
                              return detail::genericHkdfExpand(
                                  h, detail::genericHkdfExtract(h, salt, ikm), info, length);
                            }));
  }
  if (bringsKdf(h, "hkdfExtract")) {
    detail::compareOutcomes("hkdfExtract", what, attempt([&] { return h.hkdfExtract(salt, ikm); }),
                            attempt([&] { return detail::genericHkdfExtract(h, salt, ikm); }));
  }
  if (bringsKdf(h, "hkdfExpand")) {
    const ByteString prk = detail::genericHkdfExtract(h, salt, ikm);
    detail::compareOutcomes("hkdfExpand", what + " (the PRK from kavrit's extract)",
                            attempt([&] { return h.hkdfExpand(prk, info, length); }), attempt([&] {
                              return detail::genericHkdfExpand(h, prk, info, length);
                            }));
  }
}

void hkdfEdges(const AnyHash& h) {
  const std::size_t hl = static_cast<std::size_t>(h.outputLength() / 8);
  const ByteString ikm = detail::fixedMessage(22);
  for (const ByteString& salt : {ByteString(), detail::fixedMessage(13)}) {
    for (const ByteString& info : {ByteString(), detail::fixedMessage(10)}) {
      for (const std::size_t length :
           {std::size_t{1}, hl, hl + 1, 2 * hl, 2 * hl + 1, 255 * hl, 255 * hl + 1}) {
        hkdfCase(h, salt, ikm, info, length);
      }
    }
  }
  hkdfCase(h, detail::fixedMessage(200), ByteString(), detail::fixedMessage(300), 3 * hl);
}

void pbkdf2Case(const AnyHash& h, const ByteString& password, const ByteString& salt,
                std::uint64_t iterations, std::size_t length) {
  const std::string what = std::to_string(password.size()) + "-byte password, " +
                           std::to_string(salt.size()) + "-byte salt, " +
                           std::to_string(iterations) + " iterations, " + std::to_string(length) +
                           "-byte output";
  detail::compareOutcomes(
      "pbkdf2", what, attempt([&] { return h.pbkdf2(password, salt, iterations, length); }),
      attempt([&] { return detail::genericPbkdf2(h, password, salt, iterations, length); }));
}

void pbkdf2Edges(const AnyHash& h) {
  const std::size_t hl = static_cast<std::size_t>(h.outputLength() / 8);
  for (const ByteString& password : {ByteString(), detail::fixedMessage(9)}) {
    for (const ByteString& salt : {ByteString(), detail::fixedMessage(16)}) {
      for (const std::uint64_t iterations : {1, 2, 3}) {
        for (const std::size_t length : {std::size_t{1}, hl, hl + 1}) {
          pbkdf2Case(h, password, salt, iterations, length);
        }
      }
    }
  }
  pbkdf2Case(h, detail::fixedMessage(9), detail::fixedMessage(16), 0, hl);
}

void reportAsProperty(const std::function<void()>& body) {
  try {
    body();
  } catch (const AssertionFailure& failure) {
    RC_FAIL(failure.what());
  }
}

}  // namespace

Test makeConstructionHookOracleTests(const AnyBlockCipher& cipher) {
  const std::vector<std::string_view> own = cipher.ownConstructionHooks();
  std::vector<Test> leaves;
  if (own.empty()) return testGroup("Construction Hook Oracle Tests", std::move(leaves));
  const std::size_t b = cipher.blockBytes();
  for (const ConstructionOracle& c : constructions()) {
    if (!c.defined(b)) continue;
    const bool any = std::any_of(c.entries.begin(), c.entries.end(), [&](std::string_view e) {
      return std::find(own.begin(), own.end(), e) != own.end();
    });
    if (!any) continue;
    leaves.push_back(
        testCase(std::string(c.label) + "HookEdges", [&cipher, &c] { c.edges(Oracle(cipher)); }));
    leaves.push_back(testProperty(std::string(c.label) + "HookDrawn", [&cipher, &c] {
      reportAsProperty([&] { c.drawn(Oracle(cipher)); });
    }));
  }
  return testGroup("Construction Hook Oracle Tests", std::move(leaves));
}

std::string describeConstructionOracles(const AnyBlockCipher& cipher) {
  const std::size_t b = cipher.blockBytes();
  std::string text;
  for (const ConstructionOracle& c : constructions()) {
    if (!c.defined(b)) continue;
    if (!text.empty()) text += "; ";
    text += std::string(c.label) + ": " + describeConstructionImplementations(cipher, c.entries);
  }
  return text;
}

Test makeKDFHookOracleTests(const AnyHash& h) {
  std::vector<Test> leaves;
  if (bringsKdf(h, "hkdfExtract") || bringsKdf(h, "hkdfExpand") || bringsKdf(h, "hkdf")) {
    leaves.push_back(testCase("HKDFHookEdges", [&h] { hkdfEdges(h); }));
    leaves.push_back(testProperty("HKDFHookDrawn", [&h] {
      const std::size_t hl = static_cast<std::size_t>(h.outputLength() / 8);
      // An empty salt or info a quarter of the time each: "not provided" is a case of its own.
      const auto maybeEmpty = [](std::size_t most) {
        if (*rc::gen::inRange(0, 4) == 0) return ByteString();
        return detail::pickBytes(
            arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(1, most + 1)));
      };
      const ByteString salt = maybeEmpty(150);
      const ByteString ikm =
          detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(0, 100)));
      const ByteString info = maybeEmpty(100);
      const std::size_t length = *rc::gen::inRange<std::size_t>(1, 4 * hl + 2);
      reportAsProperty([&] { hkdfCase(h, salt, ikm, info, length); });
    }));
  }
  if (bringsKdf(h, "pbkdf2")) {
    leaves.push_back(testCase("PBKDF2HookEdges", [&h] { pbkdf2Edges(h); }));
    leaves.push_back(testProperty("PBKDF2HookDrawn", [&h] {
      const std::size_t hl = static_cast<std::size_t>(h.outputLength() / 8);
      const ByteString password =
          detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(0, 150)));
      const ByteString salt =
          detail::pickBytes(arbitraryByteStringOfLength(*rc::gen::inRange<std::size_t>(0, 40)));
      const auto iterations = *rc::gen::inRange<std::uint64_t>(1, 5);
      const std::size_t length = *rc::gen::inRange<std::size_t>(1, 3 * hl + 2);
      reportAsProperty([&] { pbkdf2Case(h, password, salt, iterations, length); });
    }));
  }
  return testGroup("KDF Hook Oracle Tests", std::move(leaves));
}

}  // namespace kavrit::test
