// A test program of a library user: one adapter, its suites, and GoogleTest's own main loop.

#include <gtest/gtest.h>

#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/test/algorithm_suites.hpp"
#include "sha256_adapter.hpp"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The SHA-256 vectors and the hash laws, HMAC, Monte Carlo and the chunking laws.
  kavrit::gtest::registerTests("Sha256", kavrit::test::makeSHA256Suites<Sha256>());
  return RUN_ALL_TESTS();
}
