#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/cmac.hpp"
#include "laws/drawn_keys.hpp"

namespace kavrit::test {

std::vector<Test> makeCMACPropTests(const AnyBlockCipher& cipher) {
  // Random chunkings put chunk boundaries anywhere in a block, at its edges included, and on
  // messages of whole blocks (whose last block takes the other subkey) as often as any other.
  Test lazyStrict = testProperty(
      "LazyStrictEqual", [&cipher](const RandomBytes& keySeed, const RandomLazyBytes& message) {
        const auto key = detail::keyOrDiscard(cipher, keySeed);
        const ByteString strict = key->cmac(message.value.flatten());
        if (!(key->cmacLazy(message.value) == strict)) {
          RC_FAIL("cmacLazy over the chunks gives another tag than cmac over the whole message");
        }
      });
  std::vector<Test> group;
  group.push_back(std::move(lazyStrict));
  std::vector<Test> out;
  out.push_back(testGroup("CMAC Property Tests", std::move(group)));
  return out;
}

}  // namespace kavrit::test
