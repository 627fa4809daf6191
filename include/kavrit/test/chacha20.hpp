#pragma once

/// @file
/// Known-answer suites of ChaCha20 (the 96-bit-nonce form with a 32-bit block counter), Poly1305
/// and the ChaCha20-Poly1305 AEAD, from Test/KAT_CHACHA20, Test/KAT_POLY1305 and
/// Test/KAT_CHACHA20_POLY1305 of the data directory.
///
/// Each record is one test, named "<algorithm>-<i>" (i counts from 1 in file order):
/// - ChaCha20 (RFC7539.rsp): start(KEY, NONCE, INITIAL_BLOCK_COUNTER), then apply of the
///   PLAINTEXT must give the CIPHERTEXT; so must applyLazy of it in kVectorChunkSize-byte chunks
///   and successive apply calls of 1, 2, 3, ... bytes, each on a stream started afresh.
/// - Poly1305 (RFC7539.rsp): buildKey(KEY), then tag and tagLazy (kVectorChunkSize-byte chunks)
///   of the MSG must both give the TAG.
/// - ChaCha20-Poly1305 (BoringSSL.rsp, named "ChaCha20Poly1305-BoringSSL-<i>", and OpenSSL.rsp,
///   "ChaCha20Poly1305-OpenSSL-<i>"): seal and sealLazy of the plaintext must give the ciphertext
///   and the tag; open and openLazy of them must give the plaintext; and both must refuse the
///   same message with the tag's last bit flipped, with the ciphertext's first bit flipped (when
///   there is one) and with the AAD's first bit flipped (when there is one). A record OpenSSL
///   marks `Result = CIPHERFINAL_ERROR` holds a forged tag: open and openLazy must refuse it.
///   BoringSSL's file writes some values as quoted ASCII text (`IN= "Ladies and ..."`).
/// A key, nonce or counter the implementation refuses fails the test. The builders do not check
/// the lengths a type reports.

#include <vector>

#include "kavrit/aead.hpp"
#include "kavrit/mac.hpp"
#include "kavrit/stream_cipher.hpp"
#include "kavrit/test/any_aead.hpp"
#include "kavrit/test/any_mac.hpp"
#include "kavrit/test/any_stream_cipher.hpp"
#include "kavrit/test/builder_forms.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// "ChaCha20-1" … "ChaCha20-3" (RFC 7539, appendix A.2).
std::vector<Test> makeChaCha20Tests(const AnyStreamCipher& cipher);
/// "Poly1305-1" … "Poly1305-11" (RFC 7539, appendix A.3).
std::vector<Test> makePoly1305Tests(const AnyMac& mac);
/// "ChaCha20Poly1305-BoringSSL-1" … "-66" (the first is RFC 7539's section 2.8.2 example), then
/// "ChaCha20Poly1305-OpenSSL-1" … "-5" (RFC 7539's appendix A.5 example, and forged tags).
std::vector<Test> makeChaCha20Poly1305Tests(const AnyAead& aead);

/// The same for stream type S, MAC key type M and AEAD key type A, and for a caller that has a
/// value of the type at hand (never read).
// The same for the user's type, and for a value of it at hand (never read).
KAVRIT_BUILDER_FORMS(makeChaCha20Tests, anyStreamCipher, AnyStreamCipher)
KAVRIT_BUILDER_FORMS(makePoly1305Tests, anyMac, AnyMac)
KAVRIT_BUILDER_FORMS(makeChaCha20Poly1305Tests, anyAead, AnyAead)

}  // namespace kavrit::test
