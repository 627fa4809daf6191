#pragma once

/// @file
/// Known-answer suites of SHA3-224, SHA3-256, SHA3-384 and SHA3-512 from the NIST byte-oriented
/// vector files (SHA3VS ShortMsg and LongMsg) in Test/KAT_SHA3 of the data directory, together
/// with the hash property laws. They are read like the SHA-2 files (see kavrit/test/sha.hpp).
///
/// A SHA-3 digest type gives its sponge's rate as blockLength(): 1152, 1088, 832 and 576 bits.
/// The chunking and boundary laws put their block edges there.

#include <string_view>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

namespace detail::sha3 {
inline constexpr std::string_view kDirectory = "Test/KAT_SHA3";
}  // namespace detail::sha3

/// The NIST SHA3-224 vectors ("NistSHA3_224-<i>") followed by the property group.
inline std::vector<Test> makeSHA3_224Tests(const AnyHash& hash) {
  return detail::sha::getTests(hash, "SHA3_224", detail::sha3::kDirectory);
}
template <Hash D>
std::vector<Test> makeSHA3_224Tests() {
  return detail::sha::getTests<D>("SHA3_224", detail::sha3::kDirectory);
}
/// The NIST SHA3-256 vectors ("NistSHA3_256-<i>") followed by the property group.
inline std::vector<Test> makeSHA3_256Tests(const AnyHash& hash) {
  return detail::sha::getTests(hash, "SHA3_256", detail::sha3::kDirectory);
}
template <Hash D>
std::vector<Test> makeSHA3_256Tests() {
  return detail::sha::getTests<D>("SHA3_256", detail::sha3::kDirectory);
}
/// The NIST SHA3-384 vectors ("NistSHA3_384-<i>") followed by the property group.
inline std::vector<Test> makeSHA3_384Tests(const AnyHash& hash) {
  return detail::sha::getTests(hash, "SHA3_384", detail::sha3::kDirectory);
}
template <Hash D>
std::vector<Test> makeSHA3_384Tests() {
  return detail::sha::getTests<D>("SHA3_384", detail::sha3::kDirectory);
}
/// The NIST SHA3-512 vectors ("NistSHA3_512-<i>") followed by the property group.
inline std::vector<Test> makeSHA3_512Tests(const AnyHash& hash) {
  return detail::sha::getTests(hash, "SHA3_512", detail::sha3::kDirectory);
}
template <Hash D>
std::vector<Test> makeSHA3_512Tests() {
  return detail::sha::getTests<D>("SHA3_512", detail::sha3::kDirectory);
}

// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
std::vector<Test> makeSHA3_224Tests(const D& /*digest*/) {
  return makeSHA3_224Tests<D>();
}
template <Hash D>
std::vector<Test> makeSHA3_256Tests(const D& /*digest*/) {
  return makeSHA3_256Tests<D>();
}
template <Hash D>
std::vector<Test> makeSHA3_384Tests(const D& /*digest*/) {
  return makeSHA3_384Tests<D>();
}
template <Hash D>
std::vector<Test> makeSHA3_512Tests(const D& /*digest*/) {
  return makeSHA3_512Tests<D>();
}

}  // namespace kavrit::test
