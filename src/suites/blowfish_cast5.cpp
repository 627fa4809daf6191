#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "kavrit/hash.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/blowfish.hpp"
#include "kavrit/test/cast5.hpp"
#include "kavrit/test/hex.hpp"
#include "laws/hash_edges.hpp"
#include "suites/block_cipher_files.hpp"
#include "suites/file_rules.hpp"

namespace kavrit::test {
namespace {

// The mode of a file name: its prefix, for files of the encrypt direction only.
std::optional<BlockMode> variableKeyModeOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  const std::string_view stem = name.substr(0, dot);
  if (stem.empty() || stem.back() != 'e') return std::nullopt;
  constexpr std::pair<std::string_view, BlockMode> prefixes[] = {{"ECB", BlockMode::ECB},
                                                                 {"CBC", BlockMode::CBC},
                                                                 {"CFB64", BlockMode::CFB},
                                                                 {"OFB", BlockMode::OFB},
                                                                 {"CTR", BlockMode::CTR}};
  for (const auto& [prefix, mode] : prefixes) {
    if (stem.starts_with(prefix)) return mode;
  }
  return std::nullopt;
}

// A key of `n` bytes from the fixed pattern.
ByteString patternedKey(std::size_t n) { return detail::fixedMessage(n); }

ByteString encryptWith(const AnyBlockCipher& cipher, const ByteString& key,
                       const ByteString& block) {
  const auto built = cipher.buildKey(key);
  if (!built) {
    throw AssertionFailure("buildKey refuses the " + std::to_string(key.size()) + "-byte key " +
                           toHex(key));
  }
  return built->encryptBlock(block);
}

ByteString doubled(const ByteString& key) {
  ByteString twice = key;
  twice.insert(twice.end(), key.begin(), key.end());
  return twice;
}

void repeatedKeyIsTheSameKey(const AnyBlockCipher& cipher) {
  const ByteString block = detail::fixedMessage(8);
  for (std::size_t n = 4; n <= 28; ++n) {
    const ByteString key = patternedKey(n);
    assertEqual("Blowfish cycles its key over the 72 bytes of its P-array, so the " +
                    std::to_string(n) + "-byte key " + toHex(key) +
                    " and the key twice over encrypt the block " + toHex(block) + " alike",
                encryptWith(cipher, key, block), encryptWith(cipher, doubled(key), block),
                ValueLabels{"with K", "with K‖K"});
  }
}

void zeroByteAppended(const AnyBlockCipher& cipher) {
  const ByteString block = detail::fixedMessage(8);
  for (std::size_t n = 5; n <= 15; ++n) {
    const ByteString key = patternedKey(n);
    ByteString padded = key;
    padded.push_back(0x00);
    const ByteString short_ = encryptWith(cipher, key, block);
    const ByteString long_ = encryptWith(cipher, padded, block);
    if (n != 10) {
      assertEqual("CAST5 pads keys with zeros to 128 bits, so the " + std::to_string(n) +
                      "-byte key " + toHex(key) + " and the key with a zero byte appended " +
                      "encrypt the block " + toHex(block) + " alike",
                  short_, long_, ValueLabels{"with K", "with K‖00"});
    } else if (short_ == long_) {
      throw AssertionFailure("the 80-bit key " + toHex(key) + " (12 rounds) and the 88-bit " +
                             toHex(padded) + " (16 rounds) encrypt the block " + toHex(block) +
                             " alike: the number of rounds does not follow the key length");
    }
  }
}

// RFC 2144's 128-bit key cut to 88 bits: the shortest key of 16 rounds.
void knownAnswerAt88Bits(const AnyBlockCipher& cipher) {
  const ByteString key = hexStringToBS("0123456712345678234567");
  assertEqual("the 88-bit key " + toHex(key) + " (16 rounds) on 0123456789abcdef",
              hexStringToBS("ec505ba8e49303fe"),
              encryptWith(cipher, key, hexStringToBS("0123456789abcdef")));
}

std::vector<Test> variableKeySuite(const AnyBlockCipher& cipher, std::string_view directory,
                                   Test keyLengthLaws) {
  std::vector<Test> tests;
  if (cipher.blockSize() == 64) {
    tests = detail::blockCipherDirectoryTests(cipher, directory, variableKeyModeOf, true);
    tests.push_back(std::move(keyLengthLaws));
  }
  for (Test& law : makeBlockCipherPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace

std::vector<Test> makeBlowfishTests(const AnyBlockCipher& cipher) {
  return variableKeySuite(
      cipher, "Test/KAT_BLOWFISH",
      testGroup("Blowfish Key Length Tests", {testCase("RepeatedKeyIsTheSameKey", [&cipher] {
                  repeatedKeyIsTheSameKey(cipher);
                })}));
}

std::vector<Test> makeCAST5Tests(const AnyBlockCipher& cipher) {
  return variableKeySuite(
      cipher, "Test/KAT_CAST5",
      testGroup("CAST5 Key Length Tests",
                {testCase("ZeroByteAppended", [&cipher] { zeroByteAppended(cipher); }),
                 testCase("KnownAnswerAt88Bits", [&cipher] { knownAnswerAt88Bits(cipher); })}));
}

}  // namespace kavrit::test
