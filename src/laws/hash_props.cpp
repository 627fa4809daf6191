#include "kavrit/test/hash_props.hpp"

#include <optional>
#include <string>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"

namespace kavrit::test {

Test makeHashPropTests(const AnyHash& h) {
  const auto outputBytes = [&h] { return h.outputLength() / 8; };
  const auto hasOutputLength = [outputBytes](const Digest& digest) {
    return static_cast<long>(digest.serialize().size()) == outputBytes();
  };
  return testGroup(
      "Cryptographic Digest Property Tests",
      {
          testProperty("LazyStrictEqual",
                       [&h](const RandomLazyBytes& m) {
                         if (!(h.hash(m.value) == h.hashStrict(m.value.flatten()))) {
                           RC_FAIL("hash and hashStrict give different digests");
                         }
                       }),
          testProperty("DigestLen",
                       [&h, hasOutputLength, outputBytes](const RandomLazyBytes& m) {
                         if (!hasOutputLength(h.hash(m.value))) {
                           RC_FAIL("the digest of hash does not serialise to outputLength/8 = " +
                                   std::to_string(outputBytes()) + " bytes");
                         }
                         if (!hasOutputLength(h.hashStrict(m.value.flatten()))) {
                           RC_FAIL(
                               "the digest of hashStrict does not serialise to "
                               "outputLength/8 = " +
                               std::to_string(outputBytes()) + " bytes");
                         }
                       }),
          testProperty("GetPutHash",
                       [&h](const RandomLazyBytes& m) {
                         const Digest d = h.hashStrict(m.value.flatten());
                         const std::optional<Digest> back = h.parse(d.serialize());
                         if (!back) RC_FAIL("parse rejects the serialised digest");
                         if (!(*back == d))
                           RC_FAIL("the serialised digest parses to another digest");
                       }),
          testProperty("BlockLengthIsByteAligned", [&h] { return h.blockLength() % 8 == 0; }),
          testProperty("OutputLengthIsByteAligned", [&h] { return h.outputLength() % 8 == 0; }),
      });
}

}  // namespace kavrit::test
