#include "kavrit/test/digest_laws.hpp"

#include <cstddef>
#include <optional>
#include <string>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test {
namespace {

std::size_t outputBytes(const AnyHash& h) { return static_cast<std::size_t>(h.outputLength() / 8); }

Digest fixedDigest(const AnyHash& h) { return h.hashStrict(detail::fixedMessage(100)); }

Digest parsed(const AnyHash& h, const ByteString& bytes, const std::string& what) {
  std::optional<Digest> digest = h.parse(bytes);
  if (!digest) throw AssertionFailure("parse refuses " + what + ": " + toHex(bytes));
  return *digest;
}

void equalityFollowsBytes(const AnyHash& h) {
  const Digest d = fixedDigest(h);
  const ByteString bytes = d.serialize();
  if (!(parsed(h, bytes, "a digest's bytes") == d)) {
    throw AssertionFailure("the digest parsed from a digest's bytes compares unequal to it: " +
                           d.text());
  }
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    ByteString changed = bytes;
    changed[i] ^= 0x01;
    const Digest other =
        parsed(h, changed, "a digest's bytes with byte " + std::to_string(i) + " changed");
    if (other == d || d == other) {
      throw AssertionFailure("two digests that differ in byte " + std::to_string(i) + " of " +
                             std::to_string(bytes.size()) + " compare equal: " + toHex(bytes) +
                             " and " + toHex(changed));
    }
  }
}

void parseRefusesShortInput(const AnyHash& h) {
  const ByteString bytes = fixedDigest(h).serialize();
  for (std::size_t n = 0; n < outputBytes(h) && n <= bytes.size(); ++n) {
    const ByteString prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    if (h.parse(prefix)) {
      throw AssertionFailure("parse accepts " + std::to_string(n) + " bytes, fewer than the " +
                             std::to_string(outputBytes(h)) + " of a digest: " + toHex(prefix));
    }
  }
}

void parseReadsPrefix(const AnyHash& h) {
  const Digest d = fixedDigest(h);
  const ByteString bytes = d.serialize();
  for (const std::size_t extra : {std::size_t{1}, bytes.size(), 2 * bytes.size() + 3}) {
    ByteString longer = bytes;
    const ByteString tail = detail::fixedMessage(extra);
    longer.insert(longer.end(), tail.begin(), tail.end());
    const std::string what = "a digest's bytes followed by " + std::to_string(extra) + " more";
    const Digest back = parsed(h, longer, what);
    assertEqual("parse of " + what + " reads other bytes than the digest's", bytes,
                back.serialize(), ValueLabels{"digest", "parsed"});
    if (!(back == d)) throw AssertionFailure("parse of " + what + " compares unequal to it");
  }
}

}  // namespace

Test makeDigestTests(const AnyHash& h) {
  return testGroup(
      "Digest Tests",
      {
          testProperty("DistinctMessagesDistinctDigests",
                       [&h](const RandomBytes& a, const RandomBytes& b) {
                         const Digest da = h.hashStrict(a.value);
                         const Digest db = h.hashStrict(b.value);
                         if (a.value == b.value) {
                           if (!(da == db)) RC_FAIL("equal messages give unequal digests");
                           return;
                         }
                         if (da == db || db == da) {
                           RC_FAIL("the digests of two different messages compare equal: " +
                                   da.text() + " and " + db.text());
                         }
                         if (da.serialize() == db.serialize()) {
                           RC_FAIL("the digests of two different messages serialise alike");
                         }
                         if (!(h.hashStrict(ByteString(a.value)) == da)) {
                           RC_FAIL("two digests of one message compare unequal");
                         }
                       }),
          testCase("EqualityFollowsBytes", [&h] { equalityFollowsBytes(h); }),
          testCase("ParseRefusesShortInput", [&h] { parseRefusesShortInput(h); }),
          testCase("ParseReadsPrefix", [&h] { parseReadsPrefix(h); }),
      });
}

}  // namespace kavrit::test
