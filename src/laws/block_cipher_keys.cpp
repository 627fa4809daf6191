#include "kavrit/test/block_cipher_keys.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include <rapidcheck.h>

#include "kavrit/hash.hpp"
#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "laws/drawn_bytes.hpp"
#include "laws/drawn_keys.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test {
namespace {

std::size_t keyBytesOf(const AnyBlockCipher& cipher) {
  const long bits = cipher.keyLength();
  if (bits <= 0 || bits % 8 != 0) {
    throw std::invalid_argument("a key length of " + std::to_string(bits) +
                                " bits is not a whole number of bytes; the key laws need one");
  }
  return static_cast<std::size_t>(bits / 8);
}

using detail::keyText;
using detail::patternedKey;

const AnyKey& requireKey(const std::unique_ptr<const AnyKey>& key, const ByteString& bytes) {
  if (!key) throw AssertionFailure("buildKey refuses " + keyText(bytes));
  return *key;
}

void acceptsKeysOfKeyLength(const AnyBlockCipher& cipher) {
  const std::size_t n = keyBytesOf(cipher);
  std::vector<ByteString> keys{ByteString(n, 0x00), ByteString(n, 0xff), ByteString(n, 0x80),
                               ByteString(n, 0x01)};
  for (std::size_t variant = 0; variant < 16; ++variant) keys.push_back(patternedKey(n, variant));
  for (const ByteString& key : keys) (void)requireKey(cipher.buildKey(key), key);
}

void refusesOtherLengths(const AnyBlockCipher& cipher, const std::vector<std::size_t>& other) {
  const std::size_t n = keyBytesOf(cipher);
  for (std::size_t length = 0; length <= 2 * n; ++length) {
    if (length == n || std::find(other.begin(), other.end(), length) != other.end()) continue;
    for (const ByteString& key : {ByteString(length, 0x00), patternedKey(length, 0)}) {
      if (cipher.buildKey(key)) {
        throw AssertionFailure("buildKey accepts " + keyText(key) + "; keyLength() is " +
                               std::to_string(cipher.keyLength()) + " bits, " + std::to_string(n) +
                               " bytes");
      }
    }
  }
}

void everyKeyBitMatters(const AnyBlockCipher& cipher) {
  const std::size_t n = keyBytesOf(cipher);
  const ByteString block = detail::fixedMessage(cipher.blockBytes());
  for (ByteString key : {patternedKey(n, 3), ByteString(n, 0x00)}) {
    const ByteString original = requireKey(cipher.buildKey(key), key).encryptBlock(block);
    for (std::size_t bit = 0; bit < 8 * n; ++bit) {
      const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
      key[bit / 8] ^= mask;
      const ByteString flipped = requireKey(cipher.buildKey(key), key).encryptBlock(block);
      key[bit / 8] ^= mask;
      if (flipped == original) {
        throw AssertionFailure("flipping bit " + std::to_string(bit % 8) + " (mask " +
                               toHex({mask}) + ") of key byte " + std::to_string(bit / 8) +
                               " leaves the ciphertext unchanged\nkey: " + toHex(key) +
                               "\nblock: " + toHex(block) + "\nciphertext: " + toHex(original));
      }
    }
  }
}

}  // namespace

Test makeBlockCipherKeyTests(const AnyBlockCipher& cipher, std::vector<std::size_t> otherKeyBytes) {
  return testGroup(
      "Block Cipher Key Tests",
      {
          testCase("AcceptsKeysOfKeyLength", [&cipher] { acceptsKeysOfKeyLength(cipher); }),
          testProperty("AcceptsDrawnKeys",
                       [&cipher] {
                         const ByteString key =
                             detail::pickBytes(arbitraryByteStringOfLength(keyBytesOf(cipher)));
                         if (!cipher.buildKey(key)) RC_FAIL("buildKey refuses " + keyText(key));
                       }),
          testCase(
              "RefusesOtherLengths",
              [&cipher, other = std::move(otherKeyBytes)] { refusesOtherLengths(cipher, other); }),
          testProperty("DifferentKeysDifferentCiphertexts",
                       [&cipher] {
                         const std::size_t n = keyBytesOf(cipher);
                         const ByteString a = detail::pickBytes(arbitraryByteStringOfLength(n));
                         const ByteString b = detail::pickBytes(arbitraryByteStringOfLength(n));
                         RC_PRE(a != b);
                         const ByteString block =
                             detail::pickBytes(arbitraryByteStringOfLength(cipher.blockBytes()));
                         const auto keyA = cipher.buildKey(a);
                         const auto keyB = cipher.buildKey(b);
                         if (!keyA || !keyB) RC_FAIL("buildKey refuses a key of keyLength bits");
                         if (keyA->encryptBlock(block) == keyB->encryptBlock(block)) {
                           RC_FAIL("two different keys encrypt the block to the same bytes\n" +
                                   keyText(a) + "\n" + keyText(b) + "\nblock: " + toHex(block));
                         }
                       }),
          testCase("EveryKeyBitMatters", [&cipher] { everyKeyBitMatters(cipher); }),
      });
}

}  // namespace kavrit::test
