#pragma once

// The AEAD, stream-cipher, MAC and XOF bundles in the demo.

#include "build_checks.hpp"

namespace kavrit::demo {

/// Appends one row per bundle and implementation: ChaCha20, RC4, Poly1305, ChaCha20-Poly1305,
/// XChaCha20-Poly1305, AES-EAX, AES-GCM-SIV and AES-SIV over OpenSSL and Nettle where they have
/// the algorithm, the AEAD laws over GCM and CCM of OpenSSL's AES-128, and SHAKE128 (OpenSSL)
/// and SHAKE256 (OpenSSL and Nettle).
void addPrimitiveSuites(SuiteBuilds& builds);

}  // namespace kavrit::demo
