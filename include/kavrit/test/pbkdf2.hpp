#pragma once

/// @file
/// The PBKDF2 (RFC 8018, HMAC as the pseudorandom function) known-answer suite from
/// Test/KAT_PBKDF2 of the data directory, and the laws of PBKDF2's output length.

#include <cstdint>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// Vectors of at least this many iterations go into the group "Slow" (RFC 6070's 16777216).
inline constexpr std::uint64_t kSlowPBKDF2Iterations = 1'000'000;

/// The group "PBKDF2 Law Tests", over `kavrit::pbkdf2` of the digest type (its own member where it
/// has one), with 1 to 3 iterations:
/// - "OutputLengthIsDkLen" (property): drawn inputs and lengths 0 ... 4·hLen + 1 give exactly that
///   many bytes;
/// - "PrefixOfLongerOutput" (property): for drawn n ≤ m, the output of length n is the first n
/// bytes
///   of the output of length m.
Test makePBKDF2LawTests(const AnyHash& hash);

/// The RFC 6070 vectors of PBKDF2-HMAC-SHA-1 (digest types of 160-bit output and 512-bit block),
/// from Test/KAT_PBKDF2/RFC6070-SHA1.rsp: one test per record, named "RFC6070PBKDF2SHA1-<COUNT>",
/// where pbkdf2 of PASSWORD, SALT, ITERATIONS and LENGTH must give the DERIVED_KEY. Records of
/// kSlowPBKDF2Iterations or more iterations go into the group "Slow", after the others; then the
/// group of makePBKDF2LawTests. Any other lengths throw std::invalid_argument naming the hash
/// there are vectors for.
std::vector<Test> makePBKDF2Tests(const AnyHash& hash);

/// The same for digest type D.
template <Hash D>
Test makePBKDF2LawTests() {
  return makePBKDF2LawTests(anyHash<D>());
}
template <Hash D>
std::vector<Test> makePBKDF2Tests() {
  return makePBKDF2Tests(anyHash<D>());
}

// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
Test makePBKDF2LawTests(const D& /*digest*/) {
  return makePBKDF2LawTests<D>();
}
template <Hash D>
std::vector<Test> makePBKDF2Tests(const D& /*digest*/) {
  return makePBKDF2Tests<D>();
}

}  // namespace kavrit::test
