#pragma once

// The reader behind makeBlockCipherKATTests, and the per-cipher builders' walk over a vector
// directory of such files.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/test/user_vectors.hpp"

namespace kavrit::test::detail {

/// makeBlockCipherKATTests; with `everyKeyLength`, a record whose KEY has another length than
/// keyLength() is tested too, and fails when buildKey refuses its key (Blowfish, CAST5: one key
/// type must take every length their files hold).
std::vector<Test> blockCipherFileTests(const AnyBlockCipher& cipher, const std::string& path,
                                       BlockMode mode, bool everyKeyLength);

/// The tests of every file in the vector directory `directory` (as vectorDirectory names it) to
/// which `modeOf` gives a mode, in file-name order so that the order does not depend on the file
/// system, each read by blockCipherFileTests. The files carry their direction in their head lines,
/// so only the mode comes from a name.
std::vector<Test> blockCipherDirectoryTests(
    const AnyBlockCipher& cipher, std::string_view directory,
    const std::function<std::optional<BlockMode>(std::string_view name)>& modeOf,
    bool everyKeyLength);

}  // namespace kavrit::test::detail
