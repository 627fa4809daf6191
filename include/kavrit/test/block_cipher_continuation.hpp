#pragma once

/// @file
/// Laws of the chained modes across calls: a message encrypted or decrypted in one call equals the
/// same message in two calls, the second starting from the next IV that the first returned.

#include <concepts>
#include <cstddef>
#include <string>
#include <utility>

#include <rapidcheck.h>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/arbitrary.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/boundaries.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

namespace detail {

/// Blocks in the message of each continuation case.
inline constexpr std::size_t kContinuationBlocks = 32;

/// "CBC encryption (cbcLazy) split after block 3 of 32".
std::string splitText(const std::string& operation, std::size_t block);

template <class Out>
ByteString outputBytes(const Out& out) {
  if constexpr (std::same_as<Out, LazyByteString>) {
    return out.flatten();
  } else {
    return out;
  }
}

// Splits the message at every block edge, 0 and the end included (a call on nothing must hand
// back the IV it was given). The lazy entry points get each part cut where `plan` cuts it.
template <BlockCipher K, auto Apply, bool Lazy>
void checkEverySplit(const std::string& operation, const K& key, const IV<K>& iv,
                     const ByteString& message, const ChunkPlan& plan) {
  const std::size_t b = blockBytes<K>();
  const auto part = [&](std::size_t from, std::size_t to) {
    if constexpr (Lazy) {
      return applyChunkPlan(message, plan, from, to);
    } else {
      return ByteString(message.begin() + static_cast<std::ptrdiff_t>(from),
                        message.begin() + static_cast<std::ptrdiff_t>(to));
    }
  };
  const std::size_t n = message.size();
  const auto [whole, wholeIv] = Apply(key, iv, part(0, n));
  const ByteString wholeBytes = outputBytes(whole);
  for (std::size_t block = 0; block * b <= n; ++block) {
    const auto [first, firstIv] = Apply(key, iv, part(0, block * b));
    const auto [second, secondIv] = Apply(key, firstIv, part(block * b, n));
    ByteString joined = outputBytes(first);
    const ByteString rest = outputBytes(second);
    joined.insert(joined.end(), rest.begin(), rest.end());
    if (!(joined == wholeBytes)) {
      RC_FAIL(splitText(operation, block) + ": two calls give other bytes than one call\n" +
              "one call: " + toHex(wholeBytes) + "\ntwo calls: " + toHex(joined));
    }
    if (!(secondIv == wholeIv)) {
      RC_FAIL(splitText(operation, block) +
              ": the second call ends on another next IV than one call\n" +
              "first call's next IV: " + toHex(firstIv.bytes()) + "\none call's next IV: " +
              toHex(wholeIv.bytes()) + "\ntwo calls' next IV: " + toHex(secondIv.bytes()));
    }
  }
}

// `encrypt` and `decrypt` name the strict entry points in failure reports, e.g. "cbc", "unCbc".
template <BlockCipher K, auto Encrypt, auto EncryptLazy, auto Decrypt, auto DecryptLazy>
Test continuation(const char* name, const char* mode, const char* encrypt, const char* decrypt) {
  return testProperty(
      name, [mode, encrypt, decrypt](const RandomBytes& keySeed, const RandomBytes& ivBytes) {
        const K key = keyOrDiscard<K>(keySeed);
        const IV<K> iv = ivOrDiscard<K>(ivBytes);
        const std::size_t b = blockBytes<K>();
        const RandomBytes message =
            *rc::gen::map(arbitraryByteStringOfLength(kContinuationBlocks * b),
                          [](ByteString bytes) { return RandomBytes{std::move(bytes)}; });
        const ChunkPlan plan = *arbitraryChunkPlan(message.value.size(), b);
        const ByteString& m = message.value;
        const std::string enc = std::string(mode) + " encryption (" + encrypt;
        const std::string dec = std::string(mode) + " decryption (" + decrypt;
        checkEverySplit<K, Encrypt, false>(enc + ")", key, iv, m, plan);
        checkEverySplit<K, EncryptLazy, true>(enc + "Lazy)", key, iv, m, plan);
        checkEverySplit<K, Decrypt, false>(dec + ")", key, iv, m, plan);
        checkEverySplit<K, DecryptLazy, true>(dec + "Lazy)", key, iv, m, plan);
      });
}

}  // namespace detail

/// The group "Block Cipher Continuation Tests", one property per chained mode: "CBCContinuation",
/// "CFBContinuation", "OFBContinuation" and "CTRContinuation". Each draws a key, an IV and a
/// message of 32 blocks, and checks for encryption and decryption, through the strict and the
/// lazy entry points, that the message in one call gives the same bytes and next IV as in two
/// calls split at each block edge (0 to 32), the second call starting from the first call's next
/// IV. The lazy parts are cut by a plan from arbitraryChunkPlan. A failure names the entry point
/// and the split. A case whose key cannot be built or whose IV cannot be read is discarded.
template <BlockCipher K>
Test makeBlockCipherContinuationTests() {
  using detail::continuation;
  return testGroup("Block Cipher Continuation Tests",
                   {
                       continuation<K, cbc<K>, cbcLazy<K>, unCbc<K>, unCbcLazy<K>>(
                           "CBCContinuation", "CBC", "cbc", "unCbc"),
                       continuation<K, cfb<K>, cfbLazy<K>, unCfb<K>, unCfbLazy<K>>(
                           "CFBContinuation", "CFB", "cfb", "unCfb"),
                       continuation<K, ofb<K>, ofbLazy<K>, unOfb<K>, unOfbLazy<K>>(
                           "OFBContinuation", "OFB", "ofb", "unOfb"),
                       continuation<K, ctr<K>, ctrLazy<K>, unCtr<K>, unCtrLazy<K>>(
                           "CTRContinuation", "CTR", "ctr", "unCtr"),
                   });
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
Test makeBlockCipherContinuationTests(const K& /*key*/) {
  return makeBlockCipherContinuationTests<K>();
}

}  // namespace kavrit::test
