#include "kavrit/test/hook_oracles.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
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
#include "laws/drawn_bytes.hpp"
#include "laws/drawn_keys.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test {

namespace detail {

ByteString genericHmacBytes(const AnyHash& h, const ByteString& key,
                            const LazyByteString& message) {
  const long bits = h.blockLength();
  if (bits < 8)
    throw std::invalid_argument("hmac: block length of " + std::to_string(bits) +
                                " bits is less than one byte");
  const auto block = static_cast<std::size_t>(bits / 8);
  ByteString k = key.size() > block ? h.hashStrictBytes(key) : key;
  k.resize(std::max(block, k.size()), 0);
  ByteString inner = k;
  ByteString outer = k;
  for (auto& byte : inner) byte ^= 0x36;
  for (auto& byte : outer) byte ^= 0x5c;
  std::vector<ByteString> chunks{std::move(inner)};
  chunks.insert(chunks.end(), message.chunks().begin(), message.chunks().end());
  const ByteString innerDigest = h.hashBytes(LazyByteString(std::move(chunks)));
  outer.insert(outer.end(), innerDigest.begin(), innerDigest.end());
  return h.hashStrictBytes(outer);
}

}  // namespace detail

namespace {

bool brings(const std::vector<std::string_view>& own, std::string_view hook) {
  return std::find(own.begin(), own.end(), hook) != own.end();
}

// One mode's entry points: the hook names, and the ChainedMode of each direction (ECB has none).
struct ModeEntries {
  const char* label;  // "CTR"
  std::string_view encrypt;
  std::string_view decrypt;
  bool chained;
  ChainedMode encryptMode;
  ChainedMode decryptMode;
};

const ModeEntries kModes[] = {
    {"ECB", "ecb", "unEcb", false, ChainedMode::CBC, ChainedMode::UnCBC},
    {"CBC", "cbc", "unCbc", true, ChainedMode::CBC, ChainedMode::UnCBC},
    {"CFB", "cfb", "unCfb", true, ChainedMode::CFB, ChainedMode::UnCFB},
    {"OFB", "ofb", "unOfb", true, ChainedMode::OFB, ChainedMode::UnOFB},
    {"CTR", "ctr", "unCtr", true, ChainedMode::CTR, ChainedMode::UnCTR},
};

// Compares every own entry point of `mode` with kavrit's generic one on one input; the lazy ones
// get the message cut by each plan. Returns the first difference, or nothing.
std::optional<std::string> compareMode(const AnyBlockCipher& cipher, const AnyKey& key,
                                       const ModeEntries& mode, const ByteString& iv,
                                       const ByteString& message,
                                       const std::vector<ChunkPlan>& plans) {
  const std::vector<std::string_view> own = cipher.ownHooks();
  const std::size_t b = cipher.blockBytes();
  const auto where = [&](std::string_view entry, const std::string& chunks) {
    const std::size_t blocks = message.size() / b;
    std::string text = std::string(entry) + " on " + std::to_string(blocks) +
                       (blocks == 1 ? " block" : " blocks") + chunks;
    if (mode.chained) text += " from IV " + toHex(iv);
    return text;
  };
  for (const bool decrypt : {false, true}) {
    const std::string_view strict = decrypt ? mode.decrypt : mode.encrypt;
    const std::string lazy = std::string(strict) + "Lazy";
    const ChainedMode chainedMode = decrypt ? mode.decryptMode : mode.encryptMode;
    if (brings(own, strict)) {
      if (mode.chained) {
        const auto mine = key.chained(chainedMode, iv, message);
        const auto theirs = detail::genericChained(key, chainedMode, b, iv, message);
        if (mine.first != theirs.first) {
          return where(strict, "") + ": other bytes than kavrit's " + std::string(strict) +
                 "\nown:    " + toHex(mine.first) + "\nkavrit: " + toHex(theirs.first);
        }
        if (mine.second != theirs.second) {
          return where(strict, "") + ": another next IV than kavrit's: " + toHex(mine.second) +
                 " vs " + toHex(theirs.second);
        }
      } else {
        const ByteString mine = decrypt ? key.unEcb(message) : key.ecb(message);
        if (mine != detail::genericEcb(key, decrypt, b, message)) {
          return where(strict, "") + ": other bytes than kavrit's " + std::string(strict);
        }
      }
    }
    if (brings(own, lazy)) {
      for (const ChunkPlan& plan : plans) {
        const LazyByteString in = applyChunkPlan(message, plan);
        const std::string chunks = " in chunks " + describeChunkPlan(plan);
        if (mode.chained) {
          const auto mine = key.chainedLazy(chainedMode, iv, in);
          const auto theirs = detail::genericChainedLazy(key, chainedMode, b, iv, in);
          if (!(mine.first == theirs.first)) {
            return where(lazy, chunks) + ": other bytes than kavrit's " + lazy +
                   "\nown:    " + toHex(mine.first.flatten()) +
                   "\nkavrit: " + toHex(theirs.first.flatten());
          }
          if (mine.second != theirs.second) {
            return where(lazy, chunks) + ": another next IV than kavrit's: " + toHex(mine.second) +
                   " vs " + toHex(theirs.second);
          }
        } else {
          const LazyByteString mine = decrypt ? key.unEcbLazy(in) : key.ecbLazy(in);
          if (!(mine == detail::genericEcbLazy(key, decrypt, b, in))) {
            return where(lazy, chunks) + ": other bytes than kavrit's " + lazy;
          }
        }
      }
    }
  }
  return std::nullopt;
}

bool bringsAny(const std::vector<std::string_view>& own, const ModeEntries& mode) {
  const std::string e(mode.encrypt);
  const std::string d(mode.decrypt);
  return brings(own, e) || brings(own, e + "Lazy") || brings(own, d) || brings(own, d + "Lazy");
}

// The counter block `below` steps under 2^edgeBits, above it the fixed pattern: the carry out of
// the low edgeBits bits must reach the pattern (or, at the block's width, wrap to zero).
ByteString ctrEdgeIv(std::size_t b, std::size_t edgeBits, unsigned below) {
  ByteString iv = detail::fixedMessage(b);
  const std::size_t low = edgeBits / 8;
  for (std::size_t i = b - low; i < b; ++i) iv[i] = 0xff;
  iv[b - 1] = static_cast<std::uint8_t>(0x100 - below);
  return iv;
}

std::vector<std::size_t> ctrEdges(std::size_t b) {
  std::vector<std::size_t> edges;
  for (const std::size_t bits : {8, 16, 32, 64, 96}) {
    if (bits < 8 * b) edges.push_back(bits);
  }
  edges.push_back(8 * b);
  return edges;
}

std::vector<ChunkPlan> plansFor(std::size_t n, std::size_t b) {
  return {fixedSizeChunks(n, n == 0 ? 1 : n), fixedSizeChunks(n, b), fixedSizeChunks(n, b + 7)};
}

void modeEdges(const AnyBlockCipher& cipher, const ModeEntries& mode) {
  const std::size_t b = cipher.blockBytes();
  const ByteString keyBytes = keyMaterial(cipher.keyLength(), detail::fixedMessage(29));
  const auto key = cipher.buildKey(keyBytes);
  if (!key) throw AssertionFailure("buildKey refuses the key " + toHex(keyBytes));
  const auto check = [&](const ByteString& ivBytes, std::size_t blocks) {
    const auto iv = cipher.parseIV(ivBytes);
    if (!iv) throw AssertionFailure("parseIV refuses " + toHex(ivBytes));
    const ByteString message = detail::fixedMessage(blocks * b);
    if (auto difference =
            compareMode(cipher, *key, mode, *iv, message, plansFor(message.size(), b))) {
      throw AssertionFailure(*difference);
    }
  };
  for (const ByteString& iv : {ByteString(b, 0x00), ByteString(b, 0xff), detail::fixedMessage(b)}) {
    for (const std::size_t blocks : {0, 1, 2, 3, 17, 256, 257}) check(iv, blocks);
  }
  if (mode.label == std::string_view("CTR")) {
    for (const std::size_t edge : ctrEdges(b)) {
      for (const unsigned below : {1u, 2u, 3u}) {
        for (const std::size_t blocks : {1, 4, 6}) check(ctrEdgeIv(b, edge, below), blocks);
      }
    }
  }
}

void modeDrawn(const AnyBlockCipher& cipher, const ModeEntries& mode) {
  const std::size_t b = cipher.blockBytes();
  const auto key = detail::keyOrDiscard(cipher, *rc::gen::arbitrary<RandomBytes>());
  ByteString ivBytes = detail::pickBytes(arbitraryByteStringOfLength(b));
  if (mode.label == std::string_view("CTR") && *rc::gen::arbitrary<bool>()) {
    // Half the CTR cases start a few blocks under a carry edge, with a drawn high part.
    const std::vector<std::size_t> edges = ctrEdges(b);
    const std::size_t edge = edges[*rc::gen::inRange<std::size_t>(0, edges.size())];
    const ByteString low = ctrEdgeIv(b, edge, *rc::gen::inRange<unsigned>(1, 9));
    std::copy(low.end() - static_cast<std::ptrdiff_t>(edge / 8), low.end(),
              ivBytes.end() - static_cast<std::ptrdiff_t>(edge / 8));
  }
  const ByteString iv = detail::ivOrDiscard(cipher, RandomBytes{ivBytes});
  const std::size_t blocks = *rc::gen::inRange<std::size_t>(0, 65);
  const ByteString message = detail::pickBytes(arbitraryByteStringOfLength(blocks * b));
  const ChunkPlan plan = *arbitraryChunkPlan(message.size(), b);
  if (auto difference = compareMode(cipher, *key, mode, iv, message, {plan})) {
    RC_FAIL(*difference);
  }
}

void compareHmac(const AnyHash& h, const ByteString& key, const ByteString& message,
                 const ChunkPlan& plan) {
  const std::vector<std::string_view> own = h.ownHooks();
  const ByteString expected = detail::genericHmacBytes(h, key, LazyByteString({message}));
  const std::string what = "the " + std::to_string(message.size()) + "-byte message under the " +
                           std::to_string(key.size()) + "-byte key";
  if (brings(own, "hmacStrict")) {
    assertEqual("hmacStrict of " + what + " differs from kavrit's HMAC over hash", expected,
                h.hmacStrict(key, message).serialize(), ValueLabels{"kavrit", "own hmacStrict"});
  }
  if (brings(own, "hmac")) {
    assertEqual("hmac of " + what + " in chunks " + describeChunkPlan(plan) +
                    " differs from kavrit's HMAC over hash",
                expected, h.hmac(key, applyChunkPlan(message, plan)).serialize(),
                ValueLabels{"kavrit", "own hmac"});
  }
}

void hmacEdges(const AnyHash& h) {
  const std::size_t b = detail::boundaryBlockBytes(h.blockLength());
  for (const std::size_t keyLength : {std::size_t{0}, std::size_t{1}, b - 1, b, b + 1, 2 * b + 1}) {
    ByteString key = detail::fixedMessage(keyLength + 5);
    key.erase(key.begin(), key.begin() + 5);
    for (const std::size_t n : {std::size_t{0}, std::size_t{1}, b, 4096 + b + 3}) {
      const ByteString message = detail::fixedMessage(n);
      for (const ChunkPlan& plan : plansFor(n, b)) compareHmac(h, key, message, plan);
    }
  }
}

}  // namespace

Test makeModeHookOracleTests(const AnyBlockCipher& cipher) {
  const std::vector<std::string_view> own = cipher.ownHooks();
  std::vector<Test> leaves;
  for (const ModeEntries& mode : kModes) {
    if (!bringsAny(own, mode)) continue;
    leaves.push_back(testCase(std::string(mode.label) + "HookEdges",
                              [&cipher, &mode] { modeEdges(cipher, mode); }));
    leaves.push_back(testProperty(std::string(mode.label) + "HookDrawn",
                                  [&cipher, &mode] { modeDrawn(cipher, mode); }));
  }
  return testGroup("Mode Hook Oracle Tests", std::move(leaves));
}

Test makeHMACHookOracleTests(const AnyHash& h) {
  std::vector<Test> leaves;
  if (!h.ownHooks().empty()) {
    leaves.push_back(testCase("HMACHookEdges", [&h] { hmacEdges(h); }));
    leaves.push_back(
        testProperty("HMACHookDrawn", [&h](const RandomBytes& key, const RandomLazyBytes& message) {
          const ByteString flat = message.value.flatten();
          const ByteString expected = detail::genericHmacBytes(h, key.value, message.value);
          const std::vector<std::string_view> own = h.ownHooks();
          if (brings(own, "hmac") && h.hmac(key.value, message.value).serialize() != expected) {
            RC_FAIL("own hmac differs from kavrit's HMAC over hash");
          }
          if (brings(own, "hmacStrict") && h.hmacStrict(key.value, flat).serialize() != expected) {
            RC_FAIL("own hmacStrict differs from kavrit's HMAC over hash");
          }
        }));
  }
  return testGroup("HMAC Hook Oracle Tests", std::move(leaves));
}

}  // namespace kavrit::test
