// A test program with kavrit tests, whose names hold dashes like known-answer tests, and tests of
// its own; filter_check_test.sh runs it under several --gtest_filter values and checks what the
// bridge says about a filter that selects none of the kavrit tests.

#include <gtest/gtest.h>

#include <vector>

#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/test/test_tree.hpp"

namespace {

void pass() {}

TEST(Own, passes) {}
TEST(Own, second) {}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  using kavrit::test::testCase;
  using kavrit::test::testGroup;
  kavrit::gtest::registerTests("AES128", std::vector<kavrit::test::Test>{
                                             testCase("OFBMMT128d.rsp-0", pass),
                                             testCase("OFBMMT128d.rsp-1", pass),
                                             testGroup("Laws", {testCase("RoundTrip", pass)}),
                                         });
  return RUN_ALL_TESTS();
}
