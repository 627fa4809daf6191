#pragma once

/// @file
/// Known-answer suites of SHA-1, SHA-224, SHA-256, SHA-384, SHA-512, SHA-512/224 and SHA-512/256
/// from the NIST byte-oriented vector files in Test/KAT_SHA of the data directory, together with
/// the hash property laws.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/test/vector_files.hpp"

namespace kavrit::test {

namespace detail::sha {

/// Chunk size of the lazy message; not a divisor of any block size.
inline constexpr std::size_t kChunkSize = kVectorChunkSize;

/// One unit case per vector of `algorithm` from getDataFileName(directory), in directory order,
/// named "Nist<algorithm>-<index>" (from 1 across the files): the strict digest and the digest of
/// the message in chunks of kChunkSize bytes both serialise to the vector's digest. The files are
/// those whose names start with `algorithm` ("SHA256") followed by neither a digit nor '_', so
/// SHA512_224... and SHA3_256... files belong to neither SHA-512 nor SHA-3, and a "SHA256..." file
/// to SHA-256 alone. A record without "Msg", "MD" or "Len" is skipped, and so is a bit-oriented one
/// (a Len that is a positive integer but no multiple of 8); neither takes an index. The property
/// group follows the cases. `directory` is an entry of vectorDirectories() whose records start at
/// "Len".
std::vector<Test> getTests(const AnyHash& hash, std::string_view algorithm,
                           std::string_view directory = "Test/KAT_SHA");

/// The same for digest type D.
template <Hash D>
std::vector<Test> getTests(std::string_view algorithm,
                           std::string_view directory = "Test/KAT_SHA") {
  return getTests(anyHash<D>(), algorithm, directory);
}

}  // namespace detail::sha

/// The NIST SHA-1 vectors ("NistSHA1-<i>") followed by the property group.
inline std::vector<Test> makeSHA1Tests(const AnyHash& hash) {
  return detail::sha::getTests(hash, "SHA1");
}
template <Hash D>
std::vector<Test> makeSHA1Tests() {
  return detail::sha::getTests<D>("SHA1");
}
/// The NIST SHA-224 vectors ("NistSHA224-<i>") followed by the property group.
inline std::vector<Test> makeSHA224Tests(const AnyHash& hash) {
  return detail::sha::getTests(hash, "SHA224");
}
template <Hash D>
std::vector<Test> makeSHA224Tests() {
  return detail::sha::getTests<D>("SHA224");
}
/// The NIST SHA-256 vectors ("NistSHA256-<i>") followed by the property group.
inline std::vector<Test> makeSHA256Tests(const AnyHash& hash) {
  return detail::sha::getTests(hash, "SHA256");
}
template <Hash D>
std::vector<Test> makeSHA256Tests() {
  return detail::sha::getTests<D>("SHA256");
}
/// The NIST SHA-384 vectors ("NistSHA384-<i>") followed by the property group.
inline std::vector<Test> makeSHA384Tests(const AnyHash& hash) {
  return detail::sha::getTests(hash, "SHA384");
}
template <Hash D>
std::vector<Test> makeSHA384Tests() {
  return detail::sha::getTests<D>("SHA384");
}
/// The NIST SHA-512 vectors ("NistSHA512-<i>") followed by the property group.
inline std::vector<Test> makeSHA512Tests(const AnyHash& hash) {
  return detail::sha::getTests(hash, "SHA512");
}
template <Hash D>
std::vector<Test> makeSHA512Tests() {
  return detail::sha::getTests<D>("SHA512");
}
/// The NIST SHA-512/224 vectors ("NistSHA512_224-<i>") followed by the property group.
inline std::vector<Test> makeSHA512_224Tests(const AnyHash& hash) {
  return detail::sha::getTests(hash, "SHA512_224");
}
template <Hash D>
std::vector<Test> makeSHA512_224Tests() {
  return detail::sha::getTests<D>("SHA512_224");
}
/// The NIST SHA-512/256 vectors ("NistSHA512_256-<i>") followed by the property group.
inline std::vector<Test> makeSHA512_256Tests(const AnyHash& hash) {
  return detail::sha::getTests(hash, "SHA512_256");
}
template <Hash D>
std::vector<Test> makeSHA512_256Tests() {
  return detail::sha::getTests<D>("SHA512_256");
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
template <Hash D>
std::vector<Test> makeSHA512_224Tests(const D& /*digest*/) {
  return makeSHA512_224Tests<D>();
}
template <Hash D>
std::vector<Test> makeSHA512_256Tests(const D& /*digest*/) {
  return makeSHA512_256Tests<D>();
}

}  // namespace kavrit::test
