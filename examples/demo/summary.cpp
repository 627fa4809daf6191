#include "summary.hpp"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace kavrit::demo {
namespace {

void countLeaves(const test::Test& tree, std::size_t& kats, std::size_t& properties) {
  switch (tree.kind()) {
    case test::Test::Kind::Case:
      ++kats;
      break;
    case test::Test::Kind::Property:
      ++properties;
      break;
    case test::Test::Kind::Group:
      for (const test::Test& child : tree.children()) countLeaves(child, kats, properties);
      break;
  }
}

bool inSuite(const std::string& suiteName, const std::string& prefix) {
  return suiteName.size() >= prefix.size() && suiteName.compare(0, prefix.size(), prefix) == 0 &&
         (suiteName.size() == prefix.size() || suiteName[prefix.size()] == '/');
}

}  // namespace

void FailurePrinter::OnTestStart(const testing::TestInfo& info) {
  current_ = std::string(info.test_suite_name()) + "  " + info.name();
}

void FailurePrinter::OnTestPartResult(const testing::TestPartResult& result) {
  if (!result.failed()) return;
  // Known-answer tests are reported at their vector's file and line, the rest where the demo
  // registered them.
  std::cout << "FAILED  " << current_ << "\n";
  if (result.file_name() != nullptr) {
    std::cout << result.file_name() << ":" << result.line_number() << "\n";
  }
  std::cout << result.message() << "\n\n";
}

SummaryPrinter::SummaryPrinter(const std::vector<SuiteRun>& runs) {
  for (const SuiteRun& run : runs) {
    Row row{run.builder, run.implementation, run.hooks, run.suiteName()};
    for (const test::Test& tree : run.trees) countLeaves(tree, row.kats, row.properties);
    rows_.push_back(row);
  }
}

void SummaryPrinter::OnTestStart(const testing::TestInfo& /*info*/) {
  started_ = std::chrono::steady_clock::now();
}

void SummaryPrinter::OnTestEnd(const testing::TestInfo& info) {
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
  for (Row& row : rows_) {
    if (!inSuite(info.test_suite_name(), row.suite)) continue;
    const testing::TestResult* result = info.result();
    (result->Passed() ? row.passed : row.failed) += 1;
    row.seconds += elapsed.count();
    return;
  }
}

void SummaryPrinter::OnTestProgramEnd(const testing::UnitTest& unitTest) {
  std::size_t builderWidth = 7, implementationWidth = 14, hooksWidth = 17;
  for (const Row& row : rows_) {
    builderWidth = std::max(builderWidth, row.builder.size());
    implementationWidth = std::max(implementationWidth, row.implementation.size());
    hooksWidth = std::max(hooksWidth, row.hooks.size());
  }
  const auto w = [](std::size_t n) { return static_cast<int>(n); };
  std::printf("\n%-*s  %-*s  %-*s  %5s %5s %6s %6s %7s\n", w(builderWidth), "builder",
              w(implementationWidth), "implementation", w(hooksWidth), "modes/HMAC tested", "KATs",
              "props", "passed", "failed", "seconds");
  std::size_t passed = 0, failed = 0;
  for (const Row& row : rows_) {
    std::printf("%-*s  %-*s  %-*s  %5zu %5zu %6zu %6zu %7.2f\n", w(builderWidth),
                row.builder.c_str(), w(implementationWidth), row.implementation.c_str(),
                w(hooksWidth), row.hooks.c_str(), row.kats, row.properties, row.passed, row.failed,
                row.seconds);
    passed += row.passed;
    failed += row.failed;
  }
  std::printf("\n%zu tests ran: %zu passed, %zu failed (%.2f s).\n", passed + failed, passed,
              failed, static_cast<double>(unitTest.elapsed_time()) / 1000);
  std::fflush(stdout);
}

}  // namespace kavrit::demo
