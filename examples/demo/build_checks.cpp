#include "build_checks.hpp"

#include <exception>
#include <ostream>
#include <utility>

#include "kavrit/test/paths.hpp"

namespace kavrit::demo {
namespace {

std::size_t countCases(const std::vector<test::Test>& trees) {
  std::size_t n = 0;
  for (const test::Test& tree : trees) {
    if (tree.kind() == test::Test::Kind::Case) ++n;
    if (tree.kind() == test::Test::Kind::Group) n += countCases(tree.children());
  }
  return n;
}

}  // namespace

void SuiteBuilds::add(std::string builder, std::string implementation,
                      const std::string& vectorDirectory, std::string hooks,
                      const std::function<std::vector<test::Test>()>& build) {
  SuiteRun run{std::move(builder), std::move(implementation), {}, std::move(hooks)};
  const std::string where =
      vectorDirectory.empty() ? "" : " (" + test::getDataFileName(vectorDirectory) + ")";
  try {
    run.trees = build();
    if (!vectorDirectory.empty() && countCases(run.trees) == 0) {
      problems_.push_back(run.suiteName() + ": no usable known-answer vector in " +
                          test::getDataFileName(vectorDirectory) +
                          "; only the property tests would run");
    }
  } catch (const std::exception& error) {
    problems_.push_back(run.suiteName() + ": the suite could not be built" + where + ": " +
                        error.what());
  }
  runs_.push_back(std::move(run));
}

void SuiteBuilds::printProblems(std::ostream& out) const {
  if (problems_.empty()) return;
  const std::string rule(78, '!');
  out << rule << "\n"
      << "NOT ALL SUITES RAN: the results below do not cover every known-answer test.\n";
  for (const std::string& problem : problems_) out << "  * " << problem << "\n";
  out << "Check the vector files, or point kavrit_tests_datadir at a complete copy of data/.\n"
      << rule << "\n";
}

}  // namespace kavrit::demo
