#pragma once

// Building the demo's suites without letting a missing or empty vector directory pass unnoticed:
// a builder that throws, or a file-driven builder that finds no usable vector (and so would pass
// on its property tests alone), is recorded as a problem that makes the demo fail.

#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/any_hash.hpp"
#include "summary.hpp"

namespace kavrit::demo {

/// Which implementation of each mode the suites of key type K test.
template <BlockCipher K>
std::string modesOf() {
  return test::describeModeImplementations(test::anyBlockCipher<K>());
}

/// Which HMAC the suites of digest type D test.
template <Hash D>
std::string hmacOf() {
  return test::describeHMACImplementations(test::anyHash<D>());
}

/// The same for a suite comparing two implementations: one text when they agree, else both.
inline std::string bothOf(const std::string& first, const std::string& second) {
  return first == second ? first : first + " vs " + second;
}

class SuiteBuilds {
 public:
  /// Runs `build` and keeps its trees as a suite run. `vectorDirectory` names the data directory
  /// a file-driven builder reads (such as "Test/KAT_SHA"); empty for a builder with built-in
  /// vectors. A builder that throws gives a run with no tests. `hooks` is the summary's text for
  /// the mode or HMAC implementations the suite tests (modesOf, hmacOf, bothOf).
  void add(std::string builder, std::string implementation, const std::string& vectorDirectory,
           std::string hooks, const std::function<std::vector<test::Test>()>& build);
  /// The same for a suite that calls no mode or HMAC hook ("-" in the summary).
  void add(std::string builder, std::string implementation, const std::string& vectorDirectory,
           const std::function<std::vector<test::Test>()>& build) {
    add(std::move(builder), std::move(implementation), vectorDirectory, "-", build);
  }

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
