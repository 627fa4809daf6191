#pragma once

/// @file
/// Project Wycheproof's vectors over a user's block cipher or hash: the inputs a construction
/// must refuse (forged tags, bad padding, wrong nonce and IV lengths, modified wrapping IVs) and
/// the far edges (counter wrap, long IVs and AAD, truncated tags), each test named after its file,
/// tcId and flags, e.g. "aes_gcm_test.json-tc61-ModifiedTag".
///
/// What a test's result asks of the implementation:
/// - "valid": every entry point tried (strict and lazy) gives exactly the stated output;
/// - "invalid": decryption, verification and unwrapping refuse (an empty result, or
///   std::invalid_argument for parameters the construction rejects, such as an empty GCM IV); an
///   encryption, a wrap or a MAC may refuse or give anything but the stated output; a key
///   derivation must refuse;
/// - "acceptable": refusing is allowed, but what is given must be the stated output; which way the
///   implementation went is recorded as a note (kavrit::test::recordNote) and counted in
///   wycheproofAcceptableTally().
/// A failure shows the file and line, the tcId, the comment, every input in hex and, for each
/// flag, its bug type, description, effect and CVEs from the file's notes.
///
/// The block-cipher builders take the file of the construction for `cipher` (AES, Camellia, SEED
/// or SM4) and, of it, the groups whose key size is the key type's (for XTS: twice it); groups
/// of a key size that no valid test of the file uses (CMAC's keys of 0 to 320 bits) are taken
/// too, and there buildKey must refuse the key. The hash builders take the file of the hash
/// their digest type's output and block lengths name (SHA-1, SHA-2, SHA-512/t, SHA-3). A builder
/// with no file for the type returns no tests. The files are in the data folder's
/// `Test/WYCHEPROOF`; a file that cannot be read or parsed throws, naming it.

#include <cstddef>
#include <string>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// The block ciphers whose construction files Wycheproof publishes.
enum class WycheproofCipher { AES, Camellia, SEED, SM4 };

/// GCM (`<cipher>_gcm_test.json`, AES, SEED, SM4): gcmEncrypt, gcmEncryptLazy, gcmDecrypt and
/// gcmDecryptLazy. None for blocks other than 128 bits.
std::vector<Test> makeWycheproofGCMTests(const AnyBlockCipher& cipher,
                                         WycheproofCipher family = WycheproofCipher::AES);
/// GMAC (`aes_gmac_test.json`): GCM with the message as AAD and no text; the tag from
/// gcmEncrypt and gcmEncryptLazy, and gcmDecrypt and gcmDecryptLazy of the empty text.
std::vector<Test> makeWycheproofGMACTests(const AnyBlockCipher& cipher,
                                          WycheproofCipher family = WycheproofCipher::AES);
/// CCM (`<cipher>_ccm_test.json`, all four): ccmEncrypt and ccmDecrypt.
std::vector<Test> makeWycheproofCCMTests(const AnyBlockCipher& cipher,
                                         WycheproofCipher family = WycheproofCipher::AES);
/// CMAC (`<cipher>_cmac_test.json`, AES and Camellia): cmac and cmacLazy, cut to the group's
/// tagSize.
std::vector<Test> makeWycheproofCMACTests(const AnyBlockCipher& cipher,
                                          WycheproofCipher family = WycheproofCipher::AES);
/// KW (`<cipher>_wrap_test.json`, AES, Camellia, SEED): keyWrap and keyUnwrap.
std::vector<Test> makeWycheproofKeyWrapTests(const AnyBlockCipher& cipher,
                                             WycheproofCipher family = WycheproofCipher::AES);
/// KWP (`aes_kwp_test.json`): keyWrapPad and keyUnwrapPad.
std::vector<Test> makeWycheproofKeyWrapPadTests(const AnyBlockCipher& cipher,
                                                WycheproofCipher family = WycheproofCipher::AES);
/// XTS (`aes_xts_test.json`): xtsEncrypt and xtsDecrypt, the key's first half the data key and
/// its second the tweak key; an IV shorter than 16 bytes is the tweak's first bytes, the rest
/// zero (a little-endian data unit number).
std::vector<Test> makeWycheproofXTSTests(const AnyBlockCipher& cipher,
                                         WycheproofCipher family = WycheproofCipher::AES);
/// CBC with PKCS#5 padding (`<cipher>_cbc_pkcs5_test.json`, AES and Camellia): cbcPad,
/// cbcPadLazy, unCbcPad and unCbcPadLazy.
std::vector<Test> makeWycheproofCBCPadTests(const AnyBlockCipher& cipher,
                                            WycheproofCipher family = WycheproofCipher::AES);
/// Every builder above for `family`, in that order.
std::vector<Test> makeWycheproofBlockCipherTests(const AnyBlockCipher& cipher,
                                                 WycheproofCipher family = WycheproofCipher::AES);

/// HMAC (`hmac_<hash>_test.json`): hmacStrict and hmac (the message in kVectorChunkSize-byte
/// chunks), cut to the group's tagSize.
std::vector<Test> makeWycheproofHMACTests(const AnyHash& hash);
/// HKDF (`hkdf_<hash>_test.json`, SHA-1, SHA-256, SHA-384, SHA-512): hkdf, and hkdfExpand of
/// hkdfExtract.
std::vector<Test> makeWycheproofHKDFTests(const AnyHash& hash);
/// PBKDF2 (`pbkdf2_hmac<hash>_test.json`, SHA-1, SHA-224, SHA-256, SHA-384, SHA-512): pbkdf2.
/// Tests of kSlowPBKDF2Iterations or more iterations go into the group "Slow", after the others.
std::vector<Test> makeWycheproofPBKDF2Tests(const AnyHash& hash);
/// HMAC, HKDF and PBKDF2, in that order.
std::vector<Test> makeWycheproofHashTests(const AnyHash& hash);

/// The tests of any Wycheproof file at `path` (a newer release, another cipher) whose schema and
/// algorithm the library runs over a block cipher: aead (…-GCM, …-CCM), mac_with_iv (…-GMAC), mac
/// (…-CMAC), keywrap (…-WRAP, …-KWP) and ind_cpa (…-CBC-PKCS5, …-XTS), under the same rules.
/// Throws std::invalid_argument naming the file, its schema and algorithm for any other, and
/// what the file's reading throws.
std::vector<Test> makeWycheproofTests(const AnyBlockCipher& cipher, const std::string& path);
/// The same over a hash: mac (HMAC…), hkdf and pbkdf files.
std::vector<Test> makeWycheproofTests(const AnyHash& hash, const std::string& path);

/// How many "acceptable" tests have run in this process, by the way the implementation went.
struct WycheproofTally {
  std::size_t accepted = 0;
  std::size_t refused = 0;
};
WycheproofTally wycheproofAcceptableTally();

// The same for key type K or digest type D.
#define KAVRIT_WYCHEPROOF_CIPHER_BUILDER(NAME)                                                \
  template <BlockCipher K>                                                                    \
  std::vector<Test> NAME(WycheproofCipher family = WycheproofCipher::AES) {                   \
    return NAME(anyBlockCipher<K>(), family);                                                 \
  }                                                                                           \
  template <BlockCipher K>                                                                    \
  std::vector<Test> NAME(const K& /*key*/, WycheproofCipher family = WycheproofCipher::AES) { \
    return NAME(anyBlockCipher<K>(), family);                                                 \
  }
KAVRIT_WYCHEPROOF_CIPHER_BUILDER(makeWycheproofGCMTests)
KAVRIT_WYCHEPROOF_CIPHER_BUILDER(makeWycheproofGMACTests)
KAVRIT_WYCHEPROOF_CIPHER_BUILDER(makeWycheproofCCMTests)
KAVRIT_WYCHEPROOF_CIPHER_BUILDER(makeWycheproofCMACTests)
KAVRIT_WYCHEPROOF_CIPHER_BUILDER(makeWycheproofKeyWrapTests)
KAVRIT_WYCHEPROOF_CIPHER_BUILDER(makeWycheproofKeyWrapPadTests)
KAVRIT_WYCHEPROOF_CIPHER_BUILDER(makeWycheproofXTSTests)
KAVRIT_WYCHEPROOF_CIPHER_BUILDER(makeWycheproofCBCPadTests)
KAVRIT_WYCHEPROOF_CIPHER_BUILDER(makeWycheproofBlockCipherTests)
#undef KAVRIT_WYCHEPROOF_CIPHER_BUILDER

#define KAVRIT_WYCHEPROOF_HASH_BUILDER(NAME)    \
  template <Hash D>                             \
  std::vector<Test> NAME() {                    \
    return NAME(anyHash<D>());                  \
  }                                             \
  template <Hash D>                             \
  std::vector<Test> NAME(const D& /*digest*/) { \
    return NAME(anyHash<D>());                  \
  }
KAVRIT_WYCHEPROOF_HASH_BUILDER(makeWycheproofHMACTests)
KAVRIT_WYCHEPROOF_HASH_BUILDER(makeWycheproofHKDFTests)
KAVRIT_WYCHEPROOF_HASH_BUILDER(makeWycheproofPBKDF2Tests)
KAVRIT_WYCHEPROOF_HASH_BUILDER(makeWycheproofHashTests)
#undef KAVRIT_WYCHEPROOF_HASH_BUILDER

template <BlockCipher K>
std::vector<Test> makeWycheproofTests(const std::string& path) {
  return makeWycheproofTests(anyBlockCipher<K>(), path);
}
template <Hash D>
requires(!BlockCipher<D>) std::vector<Test> makeWycheproofTests(const std::string& path) {
  return makeWycheproofTests(anyHash<D>(), path);
}

}  // namespace kavrit::test
