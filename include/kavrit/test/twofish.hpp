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

/// One unit case per complete record of the files in `Test/KAT_TWOFISH`, in listing order. A file
/// is known by its base name (the name without its last extension), matched exactly: ECB_VK
/// (variable key, the plaintext in the category's PT head line), ECB_VT (variable text, the key in
/// its KEY head line), ECB_TLB (a chain of single-block encryptions), ECB_E_M and ECB_D_M (ECB over
/// several blocks), CBC_E_M and CBC_D_M (CBC, with an IV). The cases are named "ECB-E-VK<I>",
/// "ECB-E-VT-<I>", "ECB-TLB-E-<I>", "ECB-E-<I>", "ECB-D-<I>", "CBC-E-<I>" or "CBC-D-<I>" after the
/// file; then the two groups of makeBlockCipherPropTests. The files hold 128-, 192- and 256-bit
/// keys and none is skipped: a key that `buildKey` refuses fails its test. Throws when the
/// directory cannot be read, a file with records has an unknown name, or a CBC IV is not hex.
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
