#pragma once

/// @file
/// The HKDF (RFC 5869) known-answer suite from Test/KAT_HKDF of the data directory, and the laws of
/// HKDF's output length.

#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "HKDF Law Tests", over `kavrit::hkdfExtract`, `hkdfExpand` and `hkdf` of the digest
/// type (its own members where it has them), for HashLen = outputLength()/8:
/// - "OutputLengthIsL" (property): hkdf and hkdfExpand of drawn inputs give exactly L bytes, for L
///   drawn from 0 ... 255·HashLen with the edges 0, 1, HashLen − 1, HashLen, HashLen + 1 and
///   255·HashLen drawn often;
/// - "PrefixOfLongerOutput" (property): for drawn n ≤ m, hkdf and hkdfExpand with L = n give the
///   first n bytes of their output with L = m;
/// - "ExtractThenExpand" (property): hkdf equals hkdfExpand of hkdfExtract;
/// - "RefusesLongOutput" (unit case): hkdfExpand and hkdf with L = 255·HashLen + 1 throw, and with
///   L = 255·HashLen give 255·HashLen bytes.
Test makeHKDFLawTests(const AnyHash& hash);

/// The RFC 5869 test cases of SHA-1 (digest types of 160-bit output and 512-bit block; cases 4 to
/// 7) or SHA-256 (256/512 bits; cases 1 to 3), from Test/KAT_HKDF/RFC5869-<SHA1|SHA256>.rsp: one
/// test per record, named "RFC5869HKDFSHA1-<COUNT>" or "RFC5869HKDFSHA256-<COUNT>". hkdfExtract of
/// salt and IKM must give the PRK, hkdfExpand of the PRK, info and L the OKM, and hkdf of salt,
/// IKM, info and L the OKM. Then the group of makeHKDFLawTests. Any other lengths throw
/// std::invalid_argument naming the hashes there are vectors for.
std::vector<Test> makeHKDFTests(const AnyHash& hash);

/// The same for digest type D.
template <Hash D>
Test makeHKDFLawTests() {
  return makeHKDFLawTests(anyHash<D>());
}
template <Hash D>
std::vector<Test> makeHKDFTests() {
  return makeHKDFTests(anyHash<D>());
}

// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
Test makeHKDFLawTests(const D& /*digest*/) {
  return makeHKDFLawTests<D>();
}
template <Hash D>
std::vector<Test> makeHKDFTests(const D& /*digest*/) {
  return makeHKDFTests<D>();
}

}  // namespace kavrit::test
