#pragma once

/// @file
/// Laws that every MAC obeys, checked on fixed and random inputs.

#include <concepts>

#include "kavrit/mac.hpp"
#include "kavrit/test/any_mac.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

struct MACPropOptions {
  /// Adds the group "Slow": "Long1MiB", the long-input case at 1 MiB. Off by default.
  bool slow = false;
};

/// The group "MAC Property Tests". Keys come from drawn seeds laid over a fixed pattern, so no key
/// is all zeros (under which Poly1305 ignores its message).
/// - "LazyStrictEqual" (property): `tagLazy` over drawn chunkings gives what `tag` gives;
/// - "TagLength" (property): both give tagLength/8 bytes;
/// - "Deterministic" (property): each gives the same tag twice;
/// - "KeySensitivity" (property): one flipped key bit changes the tag of a non-empty message. A
///   MAC may ignore single key bits (Poly1305 clears 22 bits of r), so when the bit changes
///   nothing, flipping every bit of its byte must;
/// - "MessageSensitivity" (property): one flipped message bit, one byte appended and the last
///   byte removed each change the tag;
/// - "CopyAgrees" (property): a copy of a key tags as the original, and the original still does
///   once the copy is gone;
/// - "EqualKeyBytesEqualTags" (unit case): keys built from two buffers of equal bytes tag alike;
/// - "Long64KiBPlus1" (unit case): a message of 64 KiB + 1 bytes through `tag`, and `tagLazy` in
///   one chunk and in uneven chunks, agree; a flipped bit in its middle changes the tag.
/// A case whose key the MAC refuses is discarded. With options.slow, then the group "Slow" with
/// "Long1MiB": "Long64KiBPlus1" at 1 MiB.
Test makeMACPropTests(const AnyMac& mac, MACPropOptions options = {});

/// The same for key type M.
template <class M>
Test makeMACPropTests(MACPropOptions options = {}) {
  return makeMACPropTests(anyMac<M>(), options);
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <class M>
requires(!std::derived_from<M, AnyMac>) Test
    makeMACPropTests(const M& /*key*/, MACPropOptions options = {}) {
  return makeMACPropTests<M>(options);
}

}  // namespace kavrit::test
