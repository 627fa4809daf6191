#pragma once

/// @file
/// NIST's SHA-3 Monte Carlo tests (SHA3VS) from the files in `Test/KAT_SHA3_MONTE`. Unlike SHA-2's,
/// each message of the chain is the previous digest alone: MD0 = Seed, MDi = SHA3(MDi-1), with a
/// checkpoint every 1000 digests. The checkpoints are read and run like the SHA-2 ones (see
/// kavrit/test/sha_monte.hpp).

#include <string_view>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

namespace detail::sha3_monte {
inline constexpr std::string_view kDirectory = "Test/KAT_SHA3_MONTE";
}  // namespace detail::sha3_monte

/// The NIST SHA3-224 Monte Carlo checkpoints ("NistSHA3_224Monte-<COUNT>").
inline std::vector<Test> makeSHA3_224MonteTests(const AnyHash& hash) {
  return detail::sha_monte::getTests(hash, "SHA3_224", detail::sha3_monte::kDirectory,
                                     detail::sha_monte::kSHA3Window);
}
template <Hash D>
std::vector<Test> makeSHA3_224MonteTests() {
  return detail::sha_monte::getTests<D>("SHA3_224", detail::sha3_monte::kDirectory,
                                        detail::sha_monte::kSHA3Window);
}
/// The NIST SHA3-256 Monte Carlo checkpoints ("NistSHA3_256Monte-<COUNT>").
inline std::vector<Test> makeSHA3_256MonteTests(const AnyHash& hash) {
  return detail::sha_monte::getTests(hash, "SHA3_256", detail::sha3_monte::kDirectory,
                                     detail::sha_monte::kSHA3Window);
}
template <Hash D>
std::vector<Test> makeSHA3_256MonteTests() {
  return detail::sha_monte::getTests<D>("SHA3_256", detail::sha3_monte::kDirectory,
                                        detail::sha_monte::kSHA3Window);
}
/// The NIST SHA3-384 Monte Carlo checkpoints ("NistSHA3_384Monte-<COUNT>").
inline std::vector<Test> makeSHA3_384MonteTests(const AnyHash& hash) {
  return detail::sha_monte::getTests(hash, "SHA3_384", detail::sha3_monte::kDirectory,
                                     detail::sha_monte::kSHA3Window);
}
template <Hash D>
std::vector<Test> makeSHA3_384MonteTests() {
  return detail::sha_monte::getTests<D>("SHA3_384", detail::sha3_monte::kDirectory,
                                        detail::sha_monte::kSHA3Window);
}
/// The NIST SHA3-512 Monte Carlo checkpoints ("NistSHA3_512Monte-<COUNT>").
inline std::vector<Test> makeSHA3_512MonteTests(const AnyHash& hash) {
  return detail::sha_monte::getTests(hash, "SHA3_512", detail::sha3_monte::kDirectory,
                                     detail::sha_monte::kSHA3Window);
}
template <Hash D>
std::vector<Test> makeSHA3_512MonteTests() {
  return detail::sha_monte::getTests<D>("SHA3_512", detail::sha3_monte::kDirectory,
                                        detail::sha_monte::kSHA3Window);
}

// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
std::vector<Test> makeSHA3_224MonteTests(const D& /*digest*/) {
  return makeSHA3_224MonteTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA3_256MonteTests(const D& /*digest*/) {
  return makeSHA3_256MonteTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA3_384MonteTests(const D& /*digest*/) {
  return makeSHA3_384MonteTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA3_512MonteTests(const D& /*digest*/) {
  return makeSHA3_512MonteTests<D>();
}

}  // namespace kavrit::test
