#pragma once

/// @file
/// Known-answer tests of CCM (`kavrit::ccmEncrypt` and `ccmDecrypt`, or the key type's own)
/// against the NIST CCMVS files in `Test/KAT_CCM`, with the records that must be refused, followed
/// by the CCM laws.

#include <optional>
#include <string_view>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// For a cipher with 128-bit blocks, one unit case per record of the files in `Test/KAT_CCM` named
/// "VADT", "VNT", "VPT" or "VTT" (encryption records: varying AAD, nonce, payload or tag length) or
/// "DVPT" (decryption records, some of which must be refused), then the key size in bits and ".rsp"
/// ("VADT128.rsp"); each is named "<file name>-<Alen>-<Plen>-<Nlen>-<Tlen>-<Count>" from the
/// record's category, in listing order; none for other block sizes. A record's Key and Nonce are
/// its own fields or else head lines of its category; Alen, Plen, Nlen and Tlen are head lines (the
/// byte lengths of AAD, payload, nonce and tag). Adata and Payload stand for the empty string when
/// their length is 0. Records whose Key `buildKey` refuses are left out, decided when the suite is
/// built. An encryption case seals Payload with `ccmEncrypt` and compares with CT (ciphertext
/// followed by the tag), then opens CT with `ccmDecrypt`. A decryption case opens CT: a record with
/// `Result = Pass` must give its Payload, one with `Result = Fail` must be refused; an accepted
/// Fail record fails naming the record. A record whose lengths disagree with its fields, or whose
/// Result is neither, is a failing case saying so. Then the group "CCM Property Tests" (see
/// makeCCMPropTests). Throws when the directory cannot be read or a Key is not hex; a `buildKey`
/// that throws gives a test failing with its error.
std::vector<Test> makeCCMTests(const AnyBlockCipher& cipher);

/// The group "CCM Property Tests", under random keys, nonces of 7 to 13 bytes and every tag
/// length: "RoundTrip", ccmDecrypt opens what ccmEncrypt sealed, giving the plaintext back;
/// "AnyFlippedBitIsRefused", one bit flipped in the ciphertext, the tag, the AAD or the nonce makes
/// ccmDecrypt refuse. Empty for a cipher whose blocks are not 128 bits.
std::vector<Test> makeCCMPropTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeCCMTests() {
  return makeCCMTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeCCMTests(const K& /*key*/) {
  return makeCCMTests<K>();
}

}  // namespace kavrit::test
