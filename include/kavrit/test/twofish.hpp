#pragma once

/// @file
/// Known-answer tests of a Twofish key type against the files in `Test/KAT_TWOFISH`, followed by
/// the block-cipher laws.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// What a Twofish vector file holds, named after its base name.
enum class TwofishKind {
  /// ECB_VK: variable key; the plaintext is the category's PT head line.
  VariableKey,
  /// ECB_VT: variable text; the key is the category's KEY head line.
  VariableText,
  /// ECB_TLB: a chain of single-block encryptions.
  Table,
  /// ECB_E_M, ECB_D_M: ECB over several blocks.
  ECBEncrypt,
  ECBDecrypt,
  /// CBC_E_M, CBC_D_M: CBC over several blocks, with an IV.
  CBCEncrypt,
  CBCDecrypt,
};

/// The kind of a vector file from its base name (the name without its last extension, or the
/// whole name when it has no '.'), matched exactly: "ECB_VK.TXT" is VariableKey, "ecb_vk.txt" and
/// "ECB_VK.a.b" are nothing.
std::optional<TwofishKind> twofishKindOf(std::string_view fileName);

/// One unit case per complete record of the files in `Test/KAT_TWOFISH`, in listing order, named
/// "ECB-E-VK<I>", "ECB-E-VT-<I>", "ECB-TLB-E-<I>", "ECB-E-<I>", "ECB-D-<I>", "CBC-E-<I>" or
/// "CBC-D-<I>" after the file's kind; then the two groups of makeBlockCipherPropTests. The files
/// hold 128-, 192- and 256-bit keys and none is skipped: a key that `buildKey` refuses fails its
/// test. Throws when the directory cannot be read, a file with records has an unknown name, or a
/// CBC IV is not hex.
std::vector<Test> makeTwoFishTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeTwoFishTests() {
  return makeTwoFishTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeTwoFishTests(const K& /*key*/) {
  return makeTwoFishTests<K>();
}

}  // namespace kavrit::test
