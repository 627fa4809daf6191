#pragma once

/// @file
/// Laws that every stream cipher obeys, checked on fixed and random inputs.

#include <concepts>

#include "kavrit/stream_cipher.hpp"
#include "kavrit/test/any_stream_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

struct StreamCipherPropOptions {
  /// Adds the group "Slow": "Long1MiB", the long-input case at 1 MiB. Off by default.
  bool slow = false;
};

/// The group "Stream Cipher Property Tests". B is blockLength/8 bytes, L the counter length.
/// - "XorTwiceIsIdentity" (property): applying the keystream to the output of the keystream from
///   the same key, nonce and counter gives the data back;
/// - "SuccessiveCallsEqualOneCall" (property): `apply` over a drawn chunking, call after call,
///   gives what one call gives;
/// - "LazyEqualsOneCall" (property): `applyLazy` over a drawn chunking gives what one `apply`
///   gives;
/// - "CloneContinuesIdentically" (property): a copy of a stream made after a drawn prefix gives
///   what the original gives next, and so does the original once the copy is gone;
/// - "StartAtCounterEqualsSkip" (property; L > 0): the stream started at counter c + k gives
///   what the stream started at c gives after k·B bytes, for counters near 0 and near the end of
///   the counter space;
/// - "CounterSpaceEnd" (unit case; 0 < L < 64): from counter 2^L − 1, B + 1 bytes are refused,
///   then B go through, then one more byte is refused (also by applyLazy); after 10 bytes, a call
///   of B − 9 is refused and one of B − 10 gives the rest of the block; start refuses 2^L;
///   "CounterlessStartsAtZeroOnly" (unit case; L = 0) instead: start refuses counters 1 and 2^32;
/// - "RefusedCallLeavesStreamUnmoved" (property; 0 < L < 64): near the end of the counter space,
///   after a drawn prefix, a call (strict or lazy) longer than what is left is refused, and the
///   stream then gives the rest of the keystream as if the refused call had not been made;
/// - "WrongKeyLengthRefused" (unit case): start refuses keys of 0, K − 1 and K + 1 bytes (K the
///   key length in bytes), those of them that the cipher's acceptsKeyLength does not take;
/// - "WrongNonceLengthRefused" (unit case): start refuses nonces of N − 1 and N + 1 bytes, and an
///   empty one (N the nonce length in bytes; for N = 0, nonces of 1 and 8 bytes);
/// - "KeySensitivity" (property): one flipped key bit changes the first 2·B bytes of keystream;
/// - "NonceSensitivity" (property; N > 0): the same for one flipped nonce bit;
/// - "EqualBytesEqualStreams" (unit case): streams started from two buffers of equal key and
///   nonce bytes give the same keystream;
/// - "Long64KiBPlus1" (unit case): 64 KiB + 1 bytes in one call, in uneven chunks call after call
///   and through applyLazy agree and XOR back to the data; for L > 0 the same data from counter
///   1 equals one call from counter 0 past its first block.
/// A case whose drawn key the cipher refuses is discarded. With options.slow, then the group
/// "Slow" with "Long1MiB": "Long64KiBPlus1" at 1 MiB. The long cases are left out when the
/// counter space is too small for them.
Test makeStreamCipherPropTests(const AnyStreamCipher& cipher, StreamCipherPropOptions options = {});

/// The same for stream type S.
template <class S>
Test makeStreamCipherPropTests(StreamCipherPropOptions options = {}) {
  return makeStreamCipherPropTests(anyStreamCipher<S>(), options);
}

/// The same, for a caller that has a stream value at hand; the value is never read.
template <class S>
requires(!std::derived_from<S, AnyStreamCipher>) Test
    makeStreamCipherPropTests(const S& /*stream*/, StreamCipherPropOptions options = {}) {
  return makeStreamCipherPropTests<S>(options);
}

}  // namespace kavrit::test
