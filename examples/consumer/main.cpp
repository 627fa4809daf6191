// A test program of a library user: one adapter, its suites, and GoogleTest's own main loop.

#include <gtest/gtest.h>

#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/test/algorithm_suites.hpp"
#include "sha256_adapter.hpp"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Everything for SHA-256: its vectors and laws, HMAC, Monte Carlo, the chunking laws, the RFC
  // HMAC and HKDF vectors, and Wycheproof's HMAC, HKDF and PBKDF2.
  kavrit::gtest::registerTests("Sha256", kavrit::test::makeSHA256Suites<Sha256>());
  return RUN_ALL_TESTS();
}
