// A test program of a library user: two adapters, their suites, and GoogleTest's own main loop.

#include <gtest/gtest.h>

#include "chacha20_poly1305_adapter.hpp"
#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/test/algorithm_suites.hpp"
#include "kavrit/test/primitive_suites.hpp"
#include "sha256_adapter.hpp"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Everything for SHA-256: its vectors and laws, HMAC, Monte Carlo, the chunking laws, the RFC
  // HMAC and HKDF vectors, and Wycheproof's HMAC, HKDF and PBKDF2.
  kavrit::gtest::registerTests("Sha256", kavrit::test::makeSHA256Suites<Sha256>());
  // Everything for ChaCha20-Poly1305: BoringSSL's and OpenSSL's vector files (RFC 7539's
  // examples among them), Wycheproof's, and the AEAD laws.
  kavrit::gtest::registerTests("ChaCha20Poly1305",
                               kavrit::test::makeChaCha20Poly1305Suites<ChaCha20Poly1305>());
  return RUN_ALL_TESTS();
}
