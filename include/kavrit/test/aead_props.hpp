#pragma once

/// @file
/// Laws that every AEAD obeys, nonce-based or deterministic, checked on edge lengths, fixed
/// messages and random inputs.

#include <concepts>

#include "kavrit/aead.hpp"
#include "kavrit/test/any_aead.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

struct AEADPropOptions {
  /// Adds the group "Slow": "Long1MiB", the long-input case at 1 MiB. Off by default.
  bool slow = false;
};

/// The group "AEAD Property Tests". Refusing means an empty optional from `open` and `openLazy`;
/// released bytes or an exception fail the leaf, which names the part changed and the bit.
/// - "RoundTripEdgeLengths" (unit case): under a fixed key and nonce, every plaintext length
///   0..129 with AAD of 0, 1, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 128 and 129 bytes: `seal`
///   then `open` and `openLazy` (5- and 7-byte chunks), and `sealLazy` then `open`, give the
///   plaintext back;
/// - "RoundTrip" (property): the same for drawn keys, nonces, AAD and plaintexts;
/// - "LazyStrictEqual" (property): `sealLazy` over drawn chunkings of AAD and plaintext seals what
///   `seal` seals, and `openLazy` over a drawn chunking of the ciphertext opens it;
/// - "SealedLengths" (property): the ciphertext is as long as the plaintext and the tag
///   tagLength/8 bytes, from both entry points;
/// - "SealIsDeterministic" (property): sealing twice under one key and nonce gives the same;
/// - "EveryFlippedBitRefused" (unit case): every bit of the ciphertext, the tag, the AAD and the
///   nonce of three fixed messages flipped on its own is refused by both entry points;
/// - "FlippedBitRefusedDrawn" (property): the same for a drawn message, part and bit;
/// - "ChangedTagLengthRefused" (unit case): the tag cut to every shorter length, extended by one
///   byte (00 and ff) and doubled, is refused;
/// - "WrongNonceLengthRefused" (unit case; nonce-based AEADs only): nonces of 0, 1, n − 8, n − 1,
///   n + 1, n + 8 and 2·n bytes (n the nonce length in bytes) that acceptsNonceLength refuses:
///   `seal` and `sealLazy` throw std::invalid_argument, `open` and `openLazy` refuse (an empty
///   optional or std::invalid_argument);
/// - "NothingReleasedOnBadTag" (property): with a tag changed in a drawn bit, or all zeros, the
///   open gives an empty optional, not bytes of any kind;
/// - "CopyAgrees" (property): a copy of a key seals and opens as the original, and the original
///   still does once the copy is gone;
/// - "KeyWorksAfterRefusals" (unit case): after refused opens and, for a nonce-based AEAD, after
///   `seal` threw for a bad nonce, a key seals and opens as a fresh one does;
/// - "EqualKeyBytesEqualKeys" (unit case): keys built from two buffers of equal bytes seal alike
///   and open each other's messages;
/// - "Long64KiBPlus1" (unit case): a plaintext of 64 KiB + 1 bytes with 16 KiB + 3 bytes of AAD:
///   `sealLazy` in uneven chunks seals as `seal`, both opens give the plaintext back, a flipped
///   tag bit is refused.
/// A deterministic AEAD (deterministic(), nonce length 0) gets the same leaves with empty nonces,
/// without the nonce's bits and without "WrongNonceLengthRefused". With options.slow, then the
/// group "Slow" with "Long1MiB": "Long64KiBPlus1" at 1 MiB with 256 KiB + 3 bytes of AAD.
Test makeAEADPropTests(const AnyAead& aead, AEADPropOptions options = {});

/// The same for key type A (a kavrit::Aead or kavrit::DeterministicAead).
template <class A>
Test makeAEADPropTests(AEADPropOptions options = {}) {
  return makeAEADPropTests(anyAead<A>(), options);
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <class A>
requires(!std::derived_from<A, AnyAead>) Test
    makeAEADPropTests(const A& /*key*/, AEADPropOptions options = {}) {
  return makeAEADPropTests<A>(options);
}

}  // namespace kavrit::test
