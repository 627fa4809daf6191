#pragma once

/// @file
/// Laws that every hash obeys, checked on random inputs.

#include <rapidcheck.h>

#include "kavrit/hash.hpp"
#include "kavrit/test/arbitrary.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "Cryptographic Digest Property Tests": "LazyStrictEqual" (hash and hashStrict agree),
/// "DigestLen" (both serialise to outputLength/8 bytes), "GetPutHash" (a serialised digest parses
/// back to itself), "BlockLengthIsByteAligned" and "OutputLengthIsByteAligned".
template <Hash D>
Test makeHashPropTests() {
  const auto outputBytes = [] { return static_cast<long>(D::outputLength()) / 8; };
  const auto hasOutputLength = [outputBytes](const D& digest) {
    return static_cast<long>(digest.serialize().size()) == outputBytes();
  };
  return testGroup(
      "Cryptographic Digest Property Tests",
      {
          testProperty("LazyStrictEqual",
                       [](const RandomLazyBytes& m) {
                         if (!(D::hash(m.value) == D::hashStrict(m.value.flatten()))) {
                           RC_FAIL("hash and hashStrict give different digests");
                         }
                       }),
          testProperty("DigestLen",
                       [hasOutputLength, outputBytes](const RandomLazyBytes& m) {
                         if (!hasOutputLength(D::hash(m.value))) {
                           RC_FAIL("the digest of hash does not serialise to outputLength/8 = " +
                                   std::to_string(outputBytes()) + " bytes");
                         }
                         if (!hasOutputLength(D::hashStrict(m.value.flatten()))) {
                           RC_FAIL(
                               "the digest of hashStrict does not serialise to "
                               "outputLength/8 = " +
                               std::to_string(outputBytes()) + " bytes");
                         }
                       }),
          testProperty("GetPutHash",
                       [](const RandomLazyBytes& m) {
                         const D h = D::hashStrict(m.value.flatten());
                         const std::optional<D> back = D::parse(h.serialize());
                         if (!back) RC_FAIL("parse rejects the serialised digest");
                         if (!(*back == h))
                           RC_FAIL("the serialised digest parses to another digest");
                       }),
          testProperty("BlockLengthIsByteAligned",
                       [] { return static_cast<long>(D::blockLength()) % 8 == 0; }),
          testProperty("OutputLengthIsByteAligned",
                       [] { return static_cast<long>(D::outputLength()) % 8 == 0; }),
      });
}

/// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
Test makeHashPropTests(const D& /*digest*/) {
  return makeHashPropTests<D>();
}

}  // namespace kavrit::test
