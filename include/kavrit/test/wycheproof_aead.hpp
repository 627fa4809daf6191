#pragma once

/// @file
/// Project Wycheproof's AEAD files over a user's AEAD key type (kavrit/aead.hpp), under the rules
/// of kavrit/test/wycheproof.hpp (valid, invalid and acceptable results, notes, names such as
/// "chacha20_poly1305_test.json-tc301-InvalidNonceSize", reports with the file and line).
///
/// For a nonce-based AEAD (aead schema) a test tries seal and sealLazy (the ct followed by the
/// tag) and open and openLazy (the msg). For a deterministic AEAD (daead schema: AES-SIV) the
/// nonce is empty and the file's ct is the synthetic IV followed by the ciphertext: its first
/// tagLength()/8 bytes are the tag (all of it when it is shorter), seal and sealLazy must give the
/// tag followed by the ciphertext, open and openLazy take them apart.
///
/// Groups: those whose keySize is the type's keyLength(); the other key sizes of an AES file are
/// left out, as the block-cipher builders leave them out. A file with no group of the type's key
/// length is taken whole, so that a type reporting a key length none of its tests has fails on
/// buildKey instead of getting no tests.
///
/// Nonces and tags the type declares it does not take: a test whose nonce length
/// acceptsNonceLength refuses, or whose tag is not tagLength() bits, is not skipped. It checks the
/// refusal the type declares, whatever the file's result: open and openLazy must refuse (an empty
/// result, or std::invalid_argument), and, for a refused nonce, seal and sealLazy must throw
/// std::invalid_argument. (A tag of another length says nothing of what sealing gives, so seal is
/// not tried then.) A valid test run this way is recorded as a note ("valid test outside the
/// type's declaration: ...") and counted in wycheproofOutsideDeclarationCount(); an invalid one,
/// such as Wycheproof's nonces of the wrong size, passes on the same refusal.
///
/// A key buildKey refuses (nothing, or std::invalid_argument) is a refusal of the test's input:
/// it fails a valid test. A builder given the wrong kind of model (a deterministic AEAD for a
/// nonce-based file or the other way round) throws std::invalid_argument.

#include <cstddef>
#include <string>
#include <vector>

#include "kavrit/aead.hpp"
#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/any_aead.hpp"
#include "kavrit/test/builder_forms.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/test/wycheproof.hpp"

namespace kavrit::test {

/// ChaCha20-Poly1305 (`chacha20_poly1305_test.json`, 325 tests: 96-bit nonces, and nine groups of
/// other nonce sizes that must be refused).
std::vector<Test> makeWycheproofChaCha20Poly1305Tests(const AnyAead& aead);
/// XChaCha20-Poly1305 (`xchacha20_poly1305_test.json`, 315 tests: 192-bit nonces, and nine groups
/// of other nonce sizes).
std::vector<Test> makeWycheproofXChaCha20Poly1305Tests(const AnyAead& aead);
/// AES-EAX (`aes_eax_test.json`): nonces of 0 to 2056 bits, 128-bit tags.
std::vector<Test> makeWycheproofAESEAXTests(const AnyAead& aead);
/// AES-GCM-SIV (`aes_gcm_siv_test.json`): 128- and 256-bit keys, 96-bit nonces.
std::vector<Test> makeWycheproofAESGCMSIVTests(const AnyAead& aead);
/// AES-SIV-CMAC as a nonce-based AEAD (`aead_aes_siv_cmac_test.json`, the nonce as the last
/// header component, the tag the synthetic IV): 256-, 384- and 512-bit keys, nonces of 8 to 320
/// bits.
std::vector<Test> makeWycheproofAEADAESSIVTests(const AnyAead& aead);
/// AES-SIV-CMAC as a deterministic AEAD (`aes_siv_cmac_test.json`, daead schema): 256-, 384- and
/// 512-bit keys. Needs a deterministic AEAD.
std::vector<Test> makeWycheproofAESSIVTests(const AnyAead& aead);

/// The tests of any Wycheproof file at `path` of the aead schema (a nonce-based AEAD: the files
/// above, AES-GCM and AES-CCM files over GcmAead and CcmAead, a newer release) or of the daead
/// schema (a deterministic AEAD), under the same rules. Throws std::invalid_argument naming the
/// file and its schema for another schema or the wrong kind of model, and what reading throws.
std::vector<Test> makeWycheproofTests(const AnyAead& aead, const std::string& path);

/// How many valid tests have run as checks of the refusal the type declares (a nonce length
/// acceptsNonceLength refuses, a tag of another length) in this process.
std::size_t wycheproofOutsideDeclarationCount();

// The same for AEAD key type A (nonce-based or deterministic), and for a caller that has a key
// at hand (never read).
KAVRIT_BUILDER_FORMS(makeWycheproofChaCha20Poly1305Tests, anyAead, AnyAead)
KAVRIT_BUILDER_FORMS(makeWycheproofXChaCha20Poly1305Tests, anyAead, AnyAead)
KAVRIT_BUILDER_FORMS(makeWycheproofAESEAXTests, anyAead, AnyAead)
KAVRIT_BUILDER_FORMS(makeWycheproofAESGCMSIVTests, anyAead, AnyAead)
KAVRIT_BUILDER_FORMS(makeWycheproofAEADAESSIVTests, anyAead, AnyAead)
KAVRIT_BUILDER_FORMS(makeWycheproofAESSIVTests, anyAead, AnyAead)

template <class A>
requires((Aead<A> || DeterministicAead<A>)&&!BlockCipher<A> &&
         !Hash<A>) std::vector<Test> makeWycheproofTests(const std::string& path) {
  return makeWycheproofTests(anyAead<A>(), path);
}

}  // namespace kavrit::test
