#pragma once

/// @file
/// Laws that every hash obeys, checked on random inputs.

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "Cryptographic Digest Property Tests": "LazyStrictEqual" (hash and hashStrict agree),
/// "DigestLen" (both serialise to outputLength/8 bytes), "GetPutHash" (a serialised digest parses
/// back to itself), "BlockLengthIsByteAligned" and "OutputLengthIsByteAligned".
Test makeHashPropTests(const AnyHash& hash);

/// The same for digest type D.
template <Hash D>
Test makeHashPropTests() {
  return makeHashPropTests(anyHash<D>());
}

/// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
Test makeHashPropTests(const D& /*digest*/) {
  return makeHashPropTests<D>();
}

}  // namespace kavrit::test
