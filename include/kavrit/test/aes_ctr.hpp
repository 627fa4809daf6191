#pragma once

/// @file
/// Known-answer tests of AES in CTR mode against the files in `Test/KAT_AES_CTR` (the NIST
/// SP 800-38A examples, whose counter carries across bytes, and the RFC 3686 vectors).

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

/// Chunk size of the lazy CTR input; divides no block size, so chunks end inside blocks.
inline constexpr std::size_t kAESCTRChunkSize = 37;

namespace detail {

/// One record of a CTR vector file, with everything checked that does not depend on the key type.
struct AESCTRVector {
  std::string name;
  std::string path;
  bool encrypts;
  ByteString key;
  ByteString iv;
  /// Decoded only when the test runs, so that a bad value fails that test alone.
  std::string plaintextHex;
  std::string ciphertextHex;
  /// The line of the record's first field in the file.
  int line = 0;
};

/// Whether a file of `Test/KAT_AES_CTR` is read, and in which direction: its mode key (see
/// aesModeKey) is "CTRe" (encrypt: true) or "CTRd" (decrypt: false).
std::optional<bool> aesCTRDirectionOf(std::string_view fileName);

/// Reads every selected file of `Test/KAT_AES_CTR`, in listing order, and keeps the records with
/// COUNT, KEY, IV, PLAINTEXT and CIPHERTEXT whose IV `ivAccepted` takes. Throws
/// std::invalid_argument naming the file, record and field when a KEY or IV is not hex, and
/// std::filesystem::filesystem_error when the directory or a file cannot be read.
std::vector<AESCTRVector> readAESCTRVectors(
    const std::function<bool(const ByteString&)>& ivAccepted);

/// Decodes a PLAINTEXT or CIPHERTEXT when its test runs; the error names the test and the file.
ByteString decodeAESCTRField(const AESCTRVector& vector, std::string_view field,
                             const std::string& hex);

/// `bytes` followed by zero bytes up to a whole number of `blockBytes`-byte blocks.
ByteString padToBlocks(ByteString bytes, std::size_t blockBytes);

/// Head of the report when the output differs from the vector.
std::string aesCTROutputPrefix(const AESCTRVector& vector);
/// Head of the report when the strict and the lazy entry point give different next IVs.
std::string aesCTRNextIVPrefix(const AESCTRVector& vector);

}  // namespace detail

/// One unit case per usable record of the files in `Test/KAT_AES_CTR` (see readAESCTRVectors),
/// named "<file name>-<COUNT>", in listing order. Records whose KEY `buildKey` refuses or whose IV
/// `IV::parse` refuses are left out; each test holds the key built to decide this. Each case runs
/// `ctr` (`unCtr` for a decrypt file) on the whole input and `ctrLazy` (`unCtrLazy`) on it in
/// 37-byte chunks; both outputs must equal the vector and both next IVs must agree. CTR is a
/// stream mode but kavrit's modes take whole blocks, so an input ending in a partial block (RFC
/// 3686's 36-byte vectors) is padded with zero bytes and only its own length of the output is
/// compared. No laws follow: makeBlockCipherPropTests has the CTR ones. A `buildKey` or
/// `IV::parse` that throws gives a test failing with its error.
std::vector<Test> makeAESCTRTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeAESCTRTests() {
  return makeAESCTRTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeAESCTRTests(const K& /*key*/) {
  return makeAESCTRTests<K>();
}

}  // namespace kavrit::test
