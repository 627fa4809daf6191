#pragma once

/// @file
/// Known-answer suites of HMAC over SHA-1, SHA-224, SHA-256, SHA-384 and SHA-512 from the NIST
/// vector files in Test/KAT_HMAC of the data directory.

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

namespace detail::hmac {

/// Chunk size of the lazy message; not a divisor of any block size.
inline constexpr std::size_t kChunkSize = kVectorChunkSize;

/// The "L" head value (the digest length in bytes, as text) of the categories that hold the
/// algorithm's vectors: "SHA1" gives "20", "SHA224" "28", "SHA256" "32", "SHA384" "48" and
/// "SHA512" "64". Any other name throws std::logic_error.
std::string algToLen(std::string_view algorithm);

/// One unit case per vector of `algorithm` from every file of getDataFileName("Test/KAT_HMAC"),
/// in directory order: the records of each category whose first "L" head value is exactly
/// algToLen(algorithm), named "NistHMAC<algorithm>-" and the Count field as a quoted literal. A
/// record without "Msg", "Key", "Mac", "Count" or "Tlen" is skipped. The first Tlen bytes of the
/// strict HMAC and of the HMAC of the message in chunks of kChunkSize bytes must both equal the
/// vector's MAC.
std::vector<Test> getTests(const AnyHash& hash, std::string_view algorithm);

/// The same for digest type D.
template <Hash D>
std::vector<Test> getTests(std::string_view algorithm) {
  return getTests(anyHash<D>(), algorithm);
}

}  // namespace detail::hmac

/// The NIST HMAC-SHA-1 vectors, named "NistHMACSHA1-\"<Count>\"".
inline std::vector<Test> makeSHA1HMACTests(const AnyHash& hash) {
  return detail::hmac::getTests(hash, "SHA1");
}
template <Hash D>
std::vector<Test> makeSHA1HMACTests() {
  return detail::hmac::getTests<D>("SHA1");
}
/// The NIST HMAC-SHA-224 vectors, named "NistHMACSHA224-\"<Count>\"".
inline std::vector<Test> makeSHA224HMACTests(const AnyHash& hash) {
  return detail::hmac::getTests(hash, "SHA224");
}
template <Hash D>
std::vector<Test> makeSHA224HMACTests() {
  return detail::hmac::getTests<D>("SHA224");
}
/// The NIST HMAC-SHA-256 vectors, named "NistHMACSHA256-\"<Count>\"".
inline std::vector<Test> makeSHA256HMACTests(const AnyHash& hash) {
  return detail::hmac::getTests(hash, "SHA256");
}
template <Hash D>
std::vector<Test> makeSHA256HMACTests() {
  return detail::hmac::getTests<D>("SHA256");
}
/// The NIST HMAC-SHA-384 vectors, named "NistHMACSHA384-\"<Count>\"".
inline std::vector<Test> makeSHA384HMACTests(const AnyHash& hash) {
  return detail::hmac::getTests(hash, "SHA384");
}
template <Hash D>
std::vector<Test> makeSHA384HMACTests() {
  return detail::hmac::getTests<D>("SHA384");
}
/// The NIST HMAC-SHA-512 vectors, named "NistHMACSHA512-\"<Count>\"".
inline std::vector<Test> makeSHA512HMACTests(const AnyHash& hash) {
  return detail::hmac::getTests(hash, "SHA512");
}
template <Hash D>
std::vector<Test> makeSHA512HMACTests() {
  return detail::hmac::getTests<D>("SHA512");
}

// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
std::vector<Test> makeSHA1HMACTests(const D& /*digest*/) {
  return makeSHA1HMACTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA224HMACTests(const D& /*digest*/) {
  return makeSHA224HMACTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA256HMACTests(const D& /*digest*/) {
  return makeSHA256HMACTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA384HMACTests(const D& /*digest*/) {
  return makeSHA384HMACTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA512HMACTests(const D& /*digest*/) {
  return makeSHA512HMACTests<D>();
}

}  // namespace kavrit::test
