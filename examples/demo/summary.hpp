#pragma once

// Output of the demo: failures as they happen (quiet by default), then one summary row per suite.

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "kavrit/test/test_tree.hpp"

namespace kavrit::demo {

/// One builder run against one implementation.
struct SuiteRun {
  std::string builder;
  std::string implementation;
  std::vector<test::Test> trees;
  /// For a suite that can call mode or HMAC hooks, which implementation of each it tested
  /// (describeModeImplementations, describeHMACImplementations); "-" for a suite that calls none.
  std::string hooks = "-";

  /// The GoogleTest suite prefix its tests are registered under.
  [[nodiscard]] std::string suiteName() const { return builder + "/" + implementation; }
};

/// Prints each failed test with its failure text, and nothing for passing tests.
class FailurePrinter : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo& info) override;
  void OnTestPartResult(const testing::TestPartResult& result) override;

 private:
  // Kept from OnTestStart: asking GoogleTest for the current test while it reports a result
  // would take a lock it already holds.
  std::string current_;
};

/// One row of the summary: a suite run and its counts.
struct SummaryRow {
  std::string builder;
  std::string implementation;
  std::string hooks;
  std::string suite;
  std::size_t kats = 0;
  std::size_t properties = 0;
  std::size_t passed = 0;
  std::size_t failed = 0;
  double seconds = 0;
};

/// The summary table, one string per line, none wider than `width` columns: builder,
/// implementation, the figures, then the modes or HMAC tested. A name too long for its column
/// goes on over the row's next lines, broken after a space, '/', '_' or '-' where it can be; the
/// figures stay on the row's first line.
std::vector<std::string> summaryTable(const std::vector<SummaryRow>& rows, std::size_t width = 120);

/// Collects results per suite run and prints the table when the program ends.
class SummaryPrinter : public testing::EmptyTestEventListener {
 public:
  explicit SummaryPrinter(const std::vector<SuiteRun>& runs);
  void OnTestStart(const testing::TestInfo& info) override;
  void OnTestEnd(const testing::TestInfo& info) override;
  void OnTestProgramEnd(const testing::UnitTest& unitTest) override;

 private:
  std::vector<SummaryRow> rows_;
  // GoogleTest times tests in whole milliseconds, too coarse for most known-answer tests.
  std::chrono::steady_clock::time_point started_;
};

}  // namespace kavrit::demo
