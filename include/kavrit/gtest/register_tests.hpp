#pragma once

/// @file
/// Runs test trees in a GoogleTest binary.

#include <string>
#include <vector>

#include "kavrit/test/test_tree.hpp"

namespace kavrit::gtest {

/// Registers every leaf of `trees` with GoogleTest; call it before RUN_ALL_TESTS().
///
/// A leaf at the top of `trees` goes into the test suite `suiteName`; a leaf inside a group goes
/// into the suite `suiteName/<top group name>`, and any deeper group names go in front of its test
/// name, joined with '/'. Leaf names stay as they are (spaces, quotes, dots, repeats). A unit case
/// fails with the assertion's text or the text of any other exception it throws; a property runs
/// under RapidCheck with RapidCheck's own settings (RC_PARAMS) and a failure shows its inputs and
/// the seed that repeats it.
///
/// Tests and their failures are reported at `file`:`line`, by default the place of the call. A
/// helper that registers trees for its callers passes its own caller's place on: it takes
/// `const char* file = __builtin_FILE(), int line = __builtin_LINE()` (or a SourceLocation built
/// from them) as its last parameters and hands them to registerTests, so that failures point at
/// the line that called the helper. Known-answer tests that carry their vector's file and line are
/// reported there instead.
///
/// The registered leaves, and with them whatever their closures own (an implementation's key
/// objects, say), are released when RUN_ALL_TESTS() ends, before the program's static objects are
/// destroyed. A leaf that would run after that (RUN_ALL_TESTS() called again) fails instead. When
/// RUN_ALL_TESTS() does not run the tests (--gtest_list_tests, --help) the leaves are never
/// destroyed: at exit the libraries they use may already be gone.
void registerTests(const std::string& suiteName, const std::vector<test::Test>& trees,
                   const char* file = __builtin_FILE(), int line = __builtin_LINE());

/// The same for one tree.
void registerTests(const std::string& suiteName, const test::Test& tree,
                   const char* file = __builtin_FILE(), int line = __builtin_LINE());

/// The same, reported at `at` (a helper's caller, say).
void registerTests(const std::string& suiteName, const std::vector<test::Test>& trees,
                   const test::SourceLocation& at);

/// The same for one tree, reported at `at`.
void registerTests(const std::string& suiteName, const test::Test& tree,
                   const test::SourceLocation& at);

}  // namespace kavrit::gtest
