#pragma once

/// @file
/// Everything the library has for one AEAD, stream cipher, MAC or XOF, in one call, as
/// kavrit/test/algorithm_suites.hpp has for the block ciphers and hashes: each bundle returns the
/// trees of the builders it lists, in that order, with nothing added or renamed; only the groups
/// named "Slow" (inputs of a MiB) are left out.
///
///   makeChaCha20Suites            makeChaCha20Tests (RFC 7539), makeStreamCipherPropTests
///   makeRC4Suites                 makeRC4Tests (RFC 6229), makeStreamCipherPropTests
///   makePoly1305Suites            makePoly1305Tests (RFC 7539), makeMACPropTests
///   makeChaCha20Poly1305Suites    makeChaCha20Poly1305Tests (RFC 7539 and BoringSSL's set),
///                                 makeWycheproofChaCha20Poly1305Tests, makeAEADPropTests
///   makeXChaCha20Poly1305Suites   makeWycheproofXChaCha20Poly1305Tests, makeAEADPropTests
///   makeAESEAXSuites              makeWycheproofAESEAXTests, makeAEADPropTests
///   makeAESGCMSIVSuites           makeWycheproofAESGCMSIVTests, makeAEADPropTests
///   makeAESSIVSuites              makeWycheproofAESSIVTests (a deterministic AEAD),
///                                 makeAEADPropTests
///   makeSHAKE128Suites            makeSHAKE128Tests, makeSHAKE128MonteTests (SHA3VS),
///                                 makeXOFPropTests
///   makeSHAKE256Suites            makeSHAKE256Tests, makeSHAKE256MonteTests (SHA3VS),
///                                 makeXOFPropTests
///
/// The builders read the vector directories of the builders they call, in the same order, and
/// throw what the first of them that fails throws.

#include <vector>

#include "kavrit/test/any_aead.hpp"
#include "kavrit/test/any_mac.hpp"
#include "kavrit/test/any_stream_cipher.hpp"
#include "kavrit/test/any_xof.hpp"
#include "kavrit/test/builder_forms.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

std::vector<Test> makeChaCha20Suites(const AnyStreamCipher& cipher);
std::vector<Test> makeRC4Suites(const AnyStreamCipher& cipher);
std::vector<Test> makePoly1305Suites(const AnyMac& mac);
std::vector<Test> makeChaCha20Poly1305Suites(const AnyAead& aead);
std::vector<Test> makeXChaCha20Poly1305Suites(const AnyAead& aead);
std::vector<Test> makeAESEAXSuites(const AnyAead& aead);
std::vector<Test> makeAESGCMSIVSuites(const AnyAead& aead);
std::vector<Test> makeAESSIVSuites(const AnyAead& aead);

KAVRIT_BUILDER_FORMS(makeChaCha20Suites, anyStreamCipher, AnyStreamCipher)
KAVRIT_BUILDER_FORMS(makeRC4Suites, anyStreamCipher, AnyStreamCipher)
KAVRIT_BUILDER_FORMS(makePoly1305Suites, anyMac, AnyMac)
KAVRIT_BUILDER_FORMS(makeChaCha20Poly1305Suites, anyAead, AnyAead)
KAVRIT_BUILDER_FORMS(makeXChaCha20Poly1305Suites, anyAead, AnyAead)
KAVRIT_BUILDER_FORMS(makeAESEAXSuites, anyAead, AnyAead)
KAVRIT_BUILDER_FORMS(makeAESGCMSIVSuites, anyAead, AnyAead)
KAVRIT_BUILDER_FORMS(makeAESSIVSuites, anyAead, AnyAead)

std::vector<Test> makeSHAKE128Suites(const AnyXof& xof);
std::vector<Test> makeSHAKE256Suites(const AnyXof& xof);
KAVRIT_BUILDER_FORMS(makeSHAKE128Suites, anyXof, AnyXof)
KAVRIT_BUILDER_FORMS(makeSHAKE256Suites, anyXof, AnyXof)

}  // namespace kavrit::test
