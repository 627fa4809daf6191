#pragma once

/// @file
/// Known-answer tests of an AES key type against the NIST files in `Test/KAT_AES`, followed by
/// the block-cipher laws.

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

/// One unit case per usable record of the files in `Test/KAT_AES` (see readAESVectors), named
/// "<file name>-<COUNT>", in listing order; then the two groups of makeBlockCipherPropTests.
/// Records whose KEY `buildKey` refuses or whose IV `IV::parse` refuses are left out, so a key
/// type for one key length gets the vectors of that length; each test holds the key that was built
/// to decide this (kavrit::gtest releases every registered tree when the run ends, so no key
/// outlives the run). ECB applies the key's own
/// encryptBlock/decryptBlock once to the whole input; the other modes go through kavrit's mode
/// functions (or the key type's own) and compare the output bytes only. Throws when the directory
/// cannot be read or a KEY or IV is not hex. A `buildKey` or `IV::parse` that throws gives a test
/// failing with its error.
std::vector<Test> makeAESTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeAESTests() {
  return makeAESTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeAESTests(const K& /*key*/) {
  return makeAESTests<K>();
}

}  // namespace kavrit::test
