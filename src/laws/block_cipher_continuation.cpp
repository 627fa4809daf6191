#include "kavrit/test/block_cipher_continuation.hpp"

#include <cstddef>
#include <string>
#include <utility>

#include <rapidcheck.h>

#include "laws/drawn_keys.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/boundaries.hpp"

namespace kavrit::test {
namespace {

// Blocks in the message of each continuation case.
constexpr std::size_t kContinuationBlocks = 32;

// "CBC encryption (cbcLazy) split after block 3 of 32".
std::string splitText(const std::string& operation, std::size_t block) {
  return operation + " split after block " + std::to_string(block) + " of " +
         std::to_string(kContinuationBlocks);
}

// Splits the message at every block edge, 0 and the end included (a call on nothing must hand
// back the IV it was given). The lazy entry points get each part cut where `plan` cuts it.
void checkEverySplit(const std::string& operation, const AnyKey& key, ChainedMode mode, bool lazy,
                     std::size_t b, const ByteString& iv, const ByteString& message,
                     const ChunkPlan& plan) {
  const auto apply = [&](const ByteString& from, std::size_t begin, std::size_t end) {
    if (lazy) {
      auto [out, next] = key.chainedLazy(mode, from, applyChunkPlan(message, plan, begin, end));
      return std::pair<ByteString, ByteString>(out.flatten(), std::move(next));
    }
    return key.chained(mode, from,
                       ByteString(message.begin() + static_cast<std::ptrdiff_t>(begin),
                                  message.begin() + static_cast<std::ptrdiff_t>(end)));
  };
  const std::size_t n = message.size();
  const auto [wholeBytes, wholeIv] = apply(iv, 0, n);
  for (std::size_t block = 0; block * b <= n; ++block) {
    const auto [first, firstIv] = apply(iv, 0, block * b);
    const auto [rest, secondIv] = apply(firstIv, block * b, n);
    ByteString joined = first;
    joined.insert(joined.end(), rest.begin(), rest.end());
    if (!(joined == wholeBytes)) {
      RC_FAIL(splitText(operation, block) + ": two calls give other bytes than one call\n" +
              "one call: " + toHex(wholeBytes) + "\ntwo calls: " + toHex(joined));
    }
    if (!(secondIv == wholeIv)) {
      RC_FAIL(splitText(operation, block) +
              ": the second call ends on another next IV than one call\n" +
              "first call's next IV: " + toHex(firstIv) + "\none call's next IV: " +
              toHex(wholeIv) + "\ntwo calls' next IV: " + toHex(secondIv));
    }
  }
}

Test continuation(const AnyBlockCipher& cipher, const char* name, const char* mode,
                  ChainedMode encrypt, ChainedMode decrypt) {
  return testProperty(name, [&cipher, mode, encrypt, decrypt](const RandomBytes& keySeed,
                                                              const RandomBytes& ivBytes) {
    const auto key = detail::keyOrDiscard(cipher, keySeed);
    const ByteString iv = detail::ivOrDiscard(cipher, ivBytes);
    const std::size_t b = cipher.blockBytes();
    const RandomBytes message =
        *rc::gen::map(arbitraryByteStringOfLength(kContinuationBlocks * b),
                      [](ByteString bytes) { return RandomBytes{std::move(bytes)}; });
    const ChunkPlan plan = *arbitraryChunkPlan(message.value.size(), b);
    const ByteString& m = message.value;
    const std::string enc =
        std::string(mode) + " encryption (" + std::string(chainedModeName(encrypt));
    const std::string dec =
        std::string(mode) + " decryption (" + std::string(chainedModeName(decrypt));
    checkEverySplit(enc + ")", *key, encrypt, false, b, iv, m, plan);
    checkEverySplit(enc + "Lazy)", *key, encrypt, true, b, iv, m, plan);
    checkEverySplit(dec + ")", *key, decrypt, false, b, iv, m, plan);
    checkEverySplit(dec + "Lazy)", *key, decrypt, true, b, iv, m, plan);
  });
}

}  // namespace

Test makeBlockCipherContinuationTests(const AnyBlockCipher& cipher) {
  return testGroup(
      "Block Cipher Continuation Tests",
      {
          continuation(cipher, "CBCContinuation", "CBC", ChainedMode::CBC, ChainedMode::UnCBC),
          continuation(cipher, "CFBContinuation", "CFB", ChainedMode::CFB, ChainedMode::UnCFB),
          continuation(cipher, "OFBContinuation", "OFB", ChainedMode::OFB, ChainedMode::UnOFB),
          continuation(cipher, "CTRContinuation", "CTR", ChainedMode::CTR, ChainedMode::UnCTR),
      });
}

}  // namespace kavrit::test
