#pragma once

// Building the demo's suites without letting a missing or empty vector directory pass unnoticed:
// a builder that throws, or a file-driven builder that finds no usable vector (and so would pass
// on its property tests alone), is recorded as a problem that makes the demo fail.

#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "summary.hpp"

namespace kavrit::demo {

class SuiteBuilds {
 public:
  /// Runs `build` and keeps its trees as a suite run. `vectorDirectory` names the data directory
  /// a file-driven builder reads (such as "Test/KAT_SHA"); empty for a builder with built-in
  /// vectors. A builder that throws gives a run with no tests.
  void add(std::string builder, std::string implementation, const std::string& vectorDirectory,
           const std::function<std::vector<test::Test>()>& build);

  /// Records a problem found outside the builders (such as damaged vector files).
  void addProblem(std::string problem) { problems_.push_back(std::move(problem)); }

  [[nodiscard]] std::vector<SuiteRun>& runs() { return runs_; }
  [[nodiscard]] bool hasProblems() const { return !problems_.empty(); }
  /// Prints every problem in a box that is hard to miss.
  void printProblems(std::ostream& out) const;

 private:
  std::vector<SuiteRun> runs_;
  std::vector<std::string> problems_;
};

}  // namespace kavrit::demo
