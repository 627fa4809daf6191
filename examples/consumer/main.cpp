// A test program of a library user: one adapter, its suites, and GoogleTest's own main loop.

#include <gtest/gtest.h>

#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/test/sha.hpp"
#include "sha256_adapter.hpp"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The SHA-256 vectors from the installed data, then the hash laws.
  kavrit::gtest::registerTests("Sha256", kavrit::test::makeSHA256Tests<Sha256>());
  return RUN_ALL_TESTS();
}
