#pragma once

/// @file
/// What GCM, CCM, KW and KWP must refuse: forged, truncated and malformed inputs to decryption
/// and unwrapping, each class by a unit case on fixed inputs and by a property on drawn ones.
/// A refusal is an empty optional or std::invalid_argument; an accepted forgery fails the leaf
/// with the class of the change, its position and every input in hex.

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The group "AEAD Refusal Tests" for a cipher with 128-bit blocks (with no leaves for another
/// block size). `gcmDecrypt` and `gcmDecryptLazy` (the latter in one chunk and in 5-byte chunks)
/// and `ccmDecrypt` must refuse, under fixed keys, nonces and texts:
/// - "GCMShortTags": tags of 0 to 3 bytes: zeros, 0xff, and the first bytes of the valid tag;
/// - "GCMTruncatedTags": each valid tag of 4 to 16 bytes cut below 4 bytes. A GCM tag is a
///   prefix of the full tag, so a cut to 4 bytes or more is a valid tag and must open;
/// - "GCMEveryFlippedBit": every bit of the ciphertext, the tag, the AAD and the IV flipped on
///   its own, for a 96-bit IV and a hashed one, a 16- and a 4-byte tag;
/// - "CCMShortTags": tags of a length CCM does not have (0 to 3, odd, 17, 18 and 32 bytes), each
///   made of the valid tag's bytes: cut from it, or the 16-byte tag extended;
/// - "CCMTruncatedTags": each valid tag of 4 to 16 bytes cut to every shorter length (the tag
///   length is bound into the MAC, so even a cut to a valid length is a forgery);
/// - "CCMEveryFlippedBit": every bit of the ciphertext, the tag, the AAD and the nonce, for
///   nonces of 7 and 13 bytes.
/// Then the properties "GCMShortTagsDrawn", "GCMTruncatedTagsDrawn", "GCMFlippedBitsDrawn",
/// "CCMShortTagsDrawn", "CCMTruncatedTagsDrawn" and "CCMFlippedBitsDrawn": the same classes under
/// drawn keys, IVs, AAD, texts, tag lengths and positions.
Test makeAEADRefusalTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
Test makeAEADRefusalTests() {
  return makeAEADRefusalTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
Test makeAEADRefusalTests(const K& /*key*/) {
  return makeAEADRefusalTests<K>();
}

/// The group "Key Wrap Refusal Tests" for a cipher with 128-bit blocks (with no leaves for
/// another block size). The inputs are wrapped by SP 800-38F's wrapping function over the key's
/// own `encryptBlock`, starting from an integrity value or plaintext no wrap gives, so that
/// `keyUnwrap` (KW) and `keyUnwrapPad` (KWP) reach each check with everything else right:
/// - "KWIntegrityValue": every other value of each byte of the ICV A6A6A6A6A6A6A6A6;
/// - "KWPIntegrityValue": every other value of each byte of the AIV A65959A6 || MLI, over a
///   plaintext of whole semiblocks without zero bytes (so no other length opens);
/// - "KWPLengthOutOfRange": MLI 0, at or below 8·(n−1) and above 8·n for n plaintext semiblocks
///   (one of them the single-block path), the bytes past MLI zero;
/// - "KWPNonZeroPadding": a nonzero byte at each padding position of plaintexts of 1 to 23
///   bytes.
/// Each also checks that the same construction with the right values opens, so that a refusal
/// means what it says. Then the properties "KWIntegrityValueDrawn", "KWPIntegrityValueDrawn",
/// "KWPLengthOutOfRangeDrawn" and "KWPNonZeroPaddingDrawn" under drawn keys, plaintexts and
/// changes.
Test makeKeyWrapRefusalTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
Test makeKeyWrapRefusalTests() {
  return makeKeyWrapRefusalTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
Test makeKeyWrapRefusalTests(const K& /*key*/) {
  return makeKeyWrapRefusalTests<K>();
}

namespace detail {
/// SP 800-38F's wrapping over `key`'s encryptBlock from the integrity value `a` (8 bytes) and
/// `r` (whole semiblocks, at least one): for a single semiblock the one block E(a || r), as KWP
/// wraps it, otherwise the six rounds of W. Throws std::invalid_argument for other lengths.
ByteString wrapFromIntegrityValue(const AnyKey& key, const ByteString& a, const ByteString& r);
}  // namespace detail

}  // namespace kavrit::test
