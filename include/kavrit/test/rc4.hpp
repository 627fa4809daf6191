#pragma once

/// @file
/// Known-answer suite of RC4 from RFC 6229's keystream vectors, in Test/KAT_RC4 of the data
/// directory: RFC6229-<bits>.rsp for keys of 40, 56, 64, 80, 128, 192 and 256 bits, each with two
/// keys and the keystream at offsets 0 to 4096.
///
/// Each record is one test, named "RC4-<bits>-<i>" (i counts from 1 in the file's order). The
/// stream is started with start(KEY, {}, 0); OFFSET bytes of keystream are passed over, in one
/// apply call on one stream and in apply calls of 1 to 13 bytes on another; then apply of the
/// PLAINTEXT on the first and applyLazy of it in 5-byte chunks on the second must give the
/// CIPHERTEXT. A key length the implementation refuses fails the test: RC4 takes keys of 40 to
/// 2048 bits, and an implementation that takes fewer is tested on all of them.

#include <vector>

#include "kavrit/stream_cipher.hpp"
#include "kavrit/test/any_stream_cipher.hpp"
#include "kavrit/test/builder_forms.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// "RC4-40-1" … "RC4-40-36", then the 56-, 64-, 80-, 128-, 192- and 256-bit files (252 tests).
std::vector<Test> makeRC4Tests(const AnyStreamCipher& cipher);

/// The same for stream type S, and for a caller that has a value of it at hand (never read).
// The same for the user's type, and for a value of it at hand (never read).
KAVRIT_BUILDER_FORMS(makeRC4Tests, anyStreamCipher, AnyStreamCipher)

}  // namespace kavrit::test
