#pragma once

// The reader behind makeBlockCipherKATTests, for the suites of ciphers whose files mix key
// lengths that one key type must all take (Blowfish, CAST5).

#include <string>
#include <vector>

#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/test/user_vectors.hpp"

namespace kavrit::test::detail {

/// makeBlockCipherKATTests; with `everyKeyLength`, a record whose KEY has another length than
/// keyLength() is tested too, and fails when buildKey refuses its key.
std::vector<Test> blockCipherFileTests(const AnyBlockCipher& cipher, const std::string& path,
                                       BlockMode mode, bool everyKeyLength);

}  // namespace kavrit::test::detail
