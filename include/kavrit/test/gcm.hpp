#pragma once

/// @file
/// Known-answer tests of GCM (`kavrit::gcmEncrypt`, `gcmDecrypt` and their lazy forms, or the key
/// type's own) against a selection of the NIST GCMVS files in `Test/KAT_GCM`, with the records
/// that must be refused, followed by the GCM laws.

#include <optional>
#include <string_view>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// For a cipher with 128-bit blocks, one unit case per record of the files in `Test/KAT_GCM` named
/// "gcmEncryptExtIV<bits>.rsp" (encryption records) or "gcmDecrypt<bits>.rsp" (decryption records),
/// <bits> being the key size; each is named "<file name>-<IVlen>-<PTlen>-<AADlen>-<Taglen>-<Count>"
/// from the record's category (the Count restarts in each), in listing order; none for other block
/// sizes. Records whose Key `buildKey` refuses are left out, decided when the suite is built. An
/// encryption case seals PT under IV and AAD with a tag as long as Tag, through `gcmEncrypt` and
/// through `gcmEncryptLazy` (AAD and PT in kVectorChunkSize-byte chunks), compares both with CT and
/// Tag, and opens the result again with `gcmDecrypt`. A decryption case opens CT with `gcmDecrypt`
/// and `gcmDecryptLazy`: both must give PT, or, for a record holding the line FAIL, both must
/// refuse; an accepted FAIL record fails naming the record. A record with both PT and FAIL, or
/// neither, is a failing case saying so. Then the group "GCM Property Tests" (see
/// makeGCMPropTests). Throws when the directory cannot be read or a Key is not hex; a `buildKey`
/// that throws gives a test failing with its error.
std::vector<Test> makeGCMTests(const AnyBlockCipher& cipher);

/// The group "GCM Property Tests", under random keys, IVs of 1 to 40 bytes and tags of 4 to 16:
/// "RoundTrip", gcmDecrypt opens what gcmEncrypt sealed, giving the plaintext back;
/// "LazyStrictEqual", the lazy forms over random chunkings agree with the strict ones;
/// "AnyFlippedBitIsRefused", one bit flipped in the ciphertext, the tag, the AAD or the IV makes
/// gcmDecrypt refuse. Empty for a cipher whose blocks are not 128 bits.
std::vector<Test> makeGCMPropTests(const AnyBlockCipher& cipher);

/// The same for key type K.
template <BlockCipher K>
std::vector<Test> makeGCMTests() {
  return makeGCMTests(anyBlockCipher<K>());
}

/// The same, for a caller that has a key value at hand; the value is never read.
template <BlockCipher K>
std::vector<Test> makeGCMTests(const K& /*key*/) {
  return makeGCMTests<K>();
}

}  // namespace kavrit::test
