#pragma once

/// @file
/// Known-answer suites of SHA-1, SHA-224, SHA-256, SHA-384 and SHA-512 from the NIST byte-oriented
/// vector files in Test/KAT_SHA of the data directory, together with the hash property laws.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

namespace sha_kat {

/// One vector as read from its file. The fields stay text until the test runs, so that a
/// malformed field fails only its own test.
struct Vector {
  /// "Nist<algorithm>-<index>", numbered from 1 across all files of the algorithm.
  std::string name;
  /// The head of a failure report: the name, then "vector file: <path>" on the next line.
  std::string prefix;
  std::string len;
  std::string msg;
  std::string md;
  /// The vector file and the line of the record's first field in it.
  std::string path;
  int line = 0;
};

/// The message (the first Len/8 bytes of Msg) and the digest of a vector.
struct Inputs {
  ByteString message;
  ByteString digest;
};

/// Chunk size of the lazy message; not a divisor of any block size.
inline constexpr std::size_t kChunkSize = 37;

/// Whether a file of Test/KAT_SHA holds vectors of `algorithm`: its name begins with the
/// algorithm name (case-sensitive) and does not go on with '_', which marks the truncated variants
/// (SHA512_224..., SHA512_256... are not SHA-512 vectors).
bool isFileOf(std::string_view algorithm, std::string_view fileName);

/// The vectors of `algorithm` from getDataFileName("Test/KAT_SHA"), in directory order. A record
/// without "Msg", "MD" or "Len" is skipped, and so is a bit-oriented one (a Len that is a positive
/// integer but no multiple of 8); neither takes an index. Throws
/// std::filesystem::filesystem_error when the directory or a file of it cannot be read.
std::vector<Vector> readVectors(std::string_view algorithm);

/// Converts the fields of a vector. Throws std::invalid_argument, headed by the vector's prefix,
/// when Len is not an integer or Msg or MD is not hex.
Inputs decode(const Vector& vector);

/// One unit case per vector of `algorithm`: the strict digest and the digest of the message in
/// chunks of kChunkSize bytes both serialise to the vector's digest. The property group follows
/// the cases.
std::vector<Test> getTests(const AnyHash& hash, std::string_view algorithm);

/// The same for digest type D.
template <Hash D>
std::vector<Test> getTests(std::string_view algorithm) {
  return getTests(anyHash<D>(), algorithm);
}

}  // namespace sha_kat

/// The NIST SHA-1 vectors ("NistSHA1-<i>") followed by the property group.
inline std::vector<Test> makeSHA1Tests(const AnyHash& hash) {
  return sha_kat::getTests(hash, "SHA1");
}
template <Hash D>
std::vector<Test> makeSHA1Tests() {
  return sha_kat::getTests<D>("SHA1");
}
/// The NIST SHA-224 vectors ("NistSHA224-<i>") followed by the property group.
inline std::vector<Test> makeSHA224Tests(const AnyHash& hash) {
  return sha_kat::getTests(hash, "SHA224");
}
template <Hash D>
std::vector<Test> makeSHA224Tests() {
  return sha_kat::getTests<D>("SHA224");
}
/// The NIST SHA-256 vectors ("NistSHA256-<i>") followed by the property group.
inline std::vector<Test> makeSHA256Tests(const AnyHash& hash) {
  return sha_kat::getTests(hash, "SHA256");
}
template <Hash D>
std::vector<Test> makeSHA256Tests() {
  return sha_kat::getTests<D>("SHA256");
}
/// The NIST SHA-384 vectors ("NistSHA384-<i>") followed by the property group.
inline std::vector<Test> makeSHA384Tests(const AnyHash& hash) {
  return sha_kat::getTests(hash, "SHA384");
}
template <Hash D>
std::vector<Test> makeSHA384Tests() {
  return sha_kat::getTests<D>("SHA384");
}
/// The NIST SHA-512 vectors ("NistSHA512-<i>") followed by the property group.
inline std::vector<Test> makeSHA512Tests(const AnyHash& hash) {
  return sha_kat::getTests(hash, "SHA512");
}
template <Hash D>
std::vector<Test> makeSHA512Tests() {
  return sha_kat::getTests<D>("SHA512");
}

// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
std::vector<Test> makeSHA1Tests(const D& /*digest*/) {
  return makeSHA1Tests<D>();
}
template <Hash D>
std::vector<Test> makeSHA224Tests(const D& /*digest*/) {
  return makeSHA224Tests<D>();
}
template <Hash D>
std::vector<Test> makeSHA256Tests(const D& /*digest*/) {
  return makeSHA256Tests<D>();
}
template <Hash D>
std::vector<Test> makeSHA384Tests(const D& /*digest*/) {
  return makeSHA384Tests<D>();
}
template <Hash D>
std::vector<Test> makeSHA512Tests(const D& /*digest*/) {
  return makeSHA512Tests<D>();
}

}  // namespace kavrit::test
