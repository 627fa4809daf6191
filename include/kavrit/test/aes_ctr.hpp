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
#include "kavrit/test/assert.hpp"
#include "kavrit/test/implementation_error.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/test/vector_files.hpp"

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
/// named "<file name>-<COUNT>", in listing order. Records whose KEY `K::buildKey` refuses or
/// whose IV `IV<K>::parse` refuses are left out. Each case runs `ctr` (`unCtr` for a decrypt
/// file) on the whole input and `ctrLazy` (`unCtrLazy`) on it in 37-byte chunks; both outputs
/// must equal the vector and both next IVs must agree. CTR is a stream mode but kavrit's modes
/// take whole blocks, so an input ending in a partial block (RFC 3686's 36-byte vectors) is
/// padded with zero bytes and only its own length of the output is compared. No laws follow:
/// makeBlockCipherPropTests has the CTR ones. A `buildKey` or `IV::parse` that throws gives a
/// test failing with its error.
template <BlockCipher K>
std::vector<Test> makeAESCTRTests() {
  std::vector<Test> tests;
  for (detail::AESCTRVector& vector : detail::readAESCTRVectors(ivAcceptedOrThrows<K>)) {
    std::optional<K> key;
    std::optional<IV<K>> iv;
    const auto build = [&] {
      key = K::buildKey(vector.key);
      if (key) iv = IV<K>::parse(vector.iv).value();
    };
    if (!buildStepSucceeds(tests, vector.name, vector.path, "buildKey or IV::parse", build)) {
      continue;
    }
    if (!key) continue;
    std::string name = vector.name;
    tests.push_back(testCase(
        std::move(name), [key = std::move(*key), iv = std::move(*iv), v = std::move(vector)] {
          const ByteString plaintext = detail::decodeAESCTRField(v, "PLAINTEXT", v.plaintextHex);
          const ByteString ciphertext = detail::decodeAESCTRField(v, "CIPHERTEXT", v.ciphertextHex);
          const ByteString& input = v.encrypts ? plaintext : ciphertext;
          const ByteString& expected = v.encrypts ? ciphertext : plaintext;
          const ByteString padded = detail::padToBlocks(input, blockBytes<K>());
          const LazyByteString chunks = chunked(padded, kAESCTRChunkSize);
          auto strict = v.encrypts ? ctr(key, iv, padded) : unCtr(key, iv, padded);
          auto lazy = v.encrypts ? ctrLazy(key, iv, chunks) : unCtrLazy(key, iv, chunks);
          const auto length = static_cast<long long>(input.size());
          assertEqual(
              detail::aesCTROutputPrefix(v),
              std::pair(takeBytes(strict.first, length), takeBytes(lazy.first.flatten(), length)),
              std::pair(expected, expected), ValueLabels{"computed", "vector"});
          assertEqual(detail::aesCTRNextIVPrefix(v), strict.second.bytes(), lazy.second.bytes(),
                      ValueLabels{"strict", "lazy"});
        }));
  }
  return tests;
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeAESCTRTests(const K& /*key*/) {
  return makeAESCTRTests<K>();
}

}  // namespace kavrit::test
