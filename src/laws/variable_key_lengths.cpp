#include "kavrit/test/variable_key_lengths.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "laws/drawn_bytes.hpp"
#include "laws/drawn_keys.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test {
namespace {

// The declared lengths in bytes, ascending. A cipher that declares none at all has no key the
// other laws could use.
std::vector<std::size_t> declaredKeyBytes(const AnyBlockCipher& cipher) {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= kScannedKeyBytes; ++n) {
    if (cipher.acceptsKeyLength(static_cast<long>(8 * n))) lengths.push_back(n);
  }
  if (lengths.empty()) {
    throw AssertionFailure("acceptsKeyLength declares no key length from 0 to " +
                           std::to_string(kScannedKeyBytes) + " bytes");
  }
  return lengths;
}

bool declared(const std::vector<std::size_t>& lengths, std::size_t n) {
  for (std::size_t length : lengths) {
    if (length == n) return true;
  }
  return false;
}

using detail::keyText;
using detail::patternedKey;

std::unique_ptr<const AnyKey> requireKey(const AnyBlockCipher& cipher, const ByteString& bytes) {
  std::unique_ptr<const AnyKey> key = cipher.buildKey(bytes);
  if (!key) {
    throw AssertionFailure("buildKey refuses " + keyText(bytes) +
                           ", a length acceptsKeyLength declares");
  }
  return key;
}

void buildKeyTakesTheDeclaredLengths(const AnyBlockCipher& cipher) {
  const std::vector<std::size_t> lengths = declaredKeyBytes(cipher);
  if (!cipher.acceptsKeyLength(cipher.keyLength())) {
    throw AssertionFailure("acceptsKeyLength(" + std::to_string(cipher.keyLength()) +
                           ") is false, although keyLength() is " +
                           std::to_string(cipher.keyLength()) + " bits");
  }
  for (std::size_t n = 0; n <= kScannedKeyBytes; ++n) {
    const bool takes = declared(lengths, n);
    for (const ByteString& key : {ByteString(n, 0x00), patternedKey(n, 1)}) {
      if (takes) {
        (void)requireKey(cipher, key);
      } else if (cipher.buildKey(key)) {
        throw AssertionFailure("buildKey accepts " + keyText(key) + ", although acceptsKeyLength(" +
                               std::to_string(8 * n) + ") is false");
      }
    }
  }
}

void eachLengthRoundTrips(const AnyBlockCipher& cipher) {
  const std::size_t b = cipher.blockBytes();
  const ByteString blocks = detail::fixedMessage(2 * b);
  const ByteString first(blocks.begin(), blocks.begin() + static_cast<std::ptrdiff_t>(b));
  const ByteString second(blocks.begin() + static_cast<std::ptrdiff_t>(b), blocks.end());
  for (std::size_t n : declaredKeyBytes(cipher)) {
    const ByteString bytes = patternedKey(n, 2);
    const auto key = requireKey(cipher, bytes);
    const ByteString encrypted = key->encryptBlock(blocks);
    assertEqual("decryptBlock(encryptBlock(two blocks)) with " + keyText(bytes), blocks,
                key->decryptBlock(encrypted));
    ByteString oneByOne = key->encryptBlock(first);
    const ByteString next = key->encryptBlock(second);
    oneByOne.insert(oneByOne.end(), next.begin(), next.end());
    assertEqual("ecb of two blocks against encryptBlock of each with " + keyText(bytes), oneByOne,
                key->ecb(blocks));
  }
}

void everyKeyBitMattersAtEachLength(const AnyBlockCipher& cipher) {
  const ByteString block = detail::fixedMessage(cipher.blockBytes());
  for (std::size_t n : declaredKeyBytes(cipher)) {
    ByteString key = patternedKey(n, 3);
    const ByteString original = requireKey(cipher, key)->encryptBlock(block);
    for (std::size_t bit = 0; bit < 8 * n; ++bit) {
      const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
      key[bit / 8] ^= mask;
      const ByteString flipped = requireKey(cipher, key)->encryptBlock(block);
      key[bit / 8] ^= mask;
      if (flipped == original) {
        throw AssertionFailure("at " + std::to_string(8 * n) + "-bit keys, flipping bit " +
                               std::to_string(bit % 8) + " of key byte " + std::to_string(bit / 8) +
                               " leaves the ciphertext unchanged\nkey: " + toHex(key) +
                               "\nblock: " + toHex(block) + "\nciphertext: " + toHex(original));
      }
    }
  }
}

}  // namespace

Test makeVariableKeyLengthTests(const AnyBlockCipher& cipher) {
  return testGroup(
      "Variable Key Length Tests",
      {
          testCase("BuildKeyTakesTheDeclaredLengths",
                   [&cipher] { buildKeyTakesTheDeclaredLengths(cipher); }),
          testCase("EachLengthRoundTrips", [&cipher] { eachLengthRoundTrips(cipher); }),
          testCase("EveryKeyBitMattersAtEachLength",
                   [&cipher] { everyKeyBitMattersAtEachLength(cipher); }),
          testProperty("DrawnKeysOfDrawnLengths",
                       [&cipher] {
                         const std::vector<std::size_t> lengths = declaredKeyBytes(cipher);
                         const std::size_t n = *rc::gen::elementOf(lengths);
                         const ByteString bytes = detail::pickBytes(arbitraryByteStringOfLength(n));
                         const ByteString block =
                             detail::pickBytes(arbitraryByteStringOfLength(cipher.blockBytes()));
                         const auto key = cipher.buildKey(bytes);
                         if (!key) RC_FAIL("buildKey refuses " + keyText(bytes));
                         if (key->decryptBlock(key->encryptBlock(block)) != block) {
                           RC_FAIL("decryptBlock does not undo encryptBlock with " +
                                   keyText(bytes) + "\nblock: " + toHex(block));
                         }
                       }),
      });
}

}  // namespace kavrit::test
