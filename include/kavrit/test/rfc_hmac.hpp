#pragma once

/// @file
/// Known-answer suites of HMAC from the test cases of RFC 4231 (HMAC-SHA-224, -256, -384 and -512),
/// RFC 2202 (HMAC-MD5 and HMAC-SHA-1) and RFC 2286 (HMAC-RIPEMD-160), in Test/KAT_HMAC_RFC of the
/// data directory.

#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The RFC 4231 test cases of the hash whose output and block lengths the digest type reports
/// (224/512, 256/512, 384/1024 or 512/1024 bits: SHA-224 ... SHA-512), from
/// Test/KAT_HMAC_RFC/RFC4231-SHA<n>.rsp: one test per record, named "RFC4231HMACSHA<n>-<COUNT>"
/// (COUNT is the RFC's test case number). The strict HMAC and the HMAC of the message in 37-byte
/// chunks must both equal the record's MD; an MD shorter than the digest (a truncated output, as in
/// the RFC's case 5) is compared with that many leading bytes. Any other lengths throw
/// std::invalid_argument naming the hashes there are vectors for.
std::vector<Test> makeRFC4231HMACTests(const AnyHash& hash);

/// The same for RFC 2202 (HMAC-MD5, 128/512 bits, and HMAC-SHA-1, 160/512 bits), from
/// Test/KAT_HMAC_RFC/RFC2202-<MD5|SHA1>.rsp, named "RFC2202HMACMD5-<COUNT>" and
/// "RFC2202HMACSHA1-<COUNT>".
std::vector<Test> makeRFC2202HMACTests(const AnyHash& hash);

/// The same for RFC 2286 (HMAC-RIPEMD-160, 160/512 bits), from
/// Test/KAT_HMAC_RFC/RFC2286-RIPEMD160.rsp: "RFC2286HMACRIPEMD160-1" … "-7" (cases 6 and 7 with
/// 80-byte keys). A type of SHA-1's lengths is taken for RIPEMD-160 and fails every test.
std::vector<Test> makeRFC2286HMACTests(const AnyHash& hash);

/// The same for digest type D.
template <Hash D>
std::vector<Test> makeRFC2286HMACTests() {
  return makeRFC2286HMACTests(anyHash<D>());
}
template <Hash D>
std::vector<Test> makeRFC4231HMACTests() {
  return makeRFC4231HMACTests(anyHash<D>());
}
template <Hash D>
std::vector<Test> makeRFC2202HMACTests() {
  return makeRFC2202HMACTests(anyHash<D>());
}

// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
std::vector<Test> makeRFC4231HMACTests(const D& /*digest*/) {
  return makeRFC4231HMACTests<D>();
}
template <Hash D>
std::vector<Test> makeRFC2202HMACTests(const D& /*digest*/) {
  return makeRFC2202HMACTests<D>();
}
template <Hash D>
std::vector<Test> makeRFC2286HMACTests(const D& /*digest*/) {
  return makeRFC2286HMACTests<D>();
}

}  // namespace kavrit::test
