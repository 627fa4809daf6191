#pragma once

// Running the leaves of a suite by name with fixed RapidCheck parameters, so that the suites'
// own tests see the same draws on every run.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <rapidcheck.h>

#include "kavrit/test/test_tree.hpp"

namespace kavrit::test::propcheck {

// Inside a TEST body `Test` names GoogleTest's fixture class.
using Tree = kavrit::test::Test;

inline constexpr std::uint64_t kSeed = 0x6b61767269740001;

inline kavrit::test::PropertyParams fixedParams(std::uint64_t seed = kSeed) {
  kavrit::test::PropertyParams params;
  params.seed = seed;
  return params;
}

inline void collectLeaves(const Test& tree, std::vector<Test>& out) {
  if (tree.kind() != Test::Kind::Group) {
    out.push_back(tree);
    return;
  }
  for (const Test& child : tree.children()) collectLeaves(child, out);
}

inline std::vector<Test> leaves(const std::vector<Test>& trees) {
  std::vector<Test> out;
  for (const Test& tree : trees) collectLeaves(tree, out);
  return out;
}

/// The one leaf called `name`; records a test failure and throws when there is none.
inline Test leafNamed(const std::vector<Test>& trees, std::string_view name) {
  for (const Test& leaf : leaves(trees)) {
    if (leaf.name() == name) return leaf;
  }
  ADD_FAILURE() << "no leaf named " << name;
  throw std::logic_error("no leaf named " + std::string(name));
}

inline PropertyResult checkLeaf(const Test& leaf, std::uint64_t seed = kSeed) {
  return leaf.check("kavrit_unit_tests/" + leaf.name(), fixedParams(seed));
}

inline const char* outcomeName(PropertyResult::Outcome outcome) {
  switch (outcome) {
    case PropertyResult::Outcome::Passed:
      return "Passed";
    case PropertyResult::Outcome::Failed:
      return "Failed";
    case PropertyResult::Outcome::GaveUp:
      return "GaveUp";
    case PropertyResult::Outcome::Error:
      return "Error";
  }
  return "?";
}

/// The first 2000 characters of a report, enough to see why without the full drawn inputs.
inline std::string head(const std::string& report) { return report.substr(0, 2000); }

// The text of a failed leaf (a property's outcome, then its report), or nothing when it passes.
inline std::optional<std::string> leafFailure(const Tree& leaf, std::uint64_t seed = kSeed) {
  if (leaf.kind() == Tree::Kind::Property) {
    const PropertyResult result = checkLeaf(leaf, seed);
    if (result.passed()) return std::nullopt;
    return outcomeName(result.outcome) + std::string(": ") + result.report;
  }
  try {
    leaf.run();
  } catch (const std::exception& error) {
    return std::string(error.what());
  }
  return std::nullopt;
}

// The names of the leaves of `group` that fail under the fixed seed.
inline std::vector<std::string> failingLeaves(const Tree& group) {
  std::vector<std::string> out;
  for (const Tree& leaf : leaves({group})) {
    if (leafFailure(leaf)) out.push_back(leaf.name());
  }
  return out;
}

// The report of the leaf `name` of `group`, or what stands in for it.
inline std::string leafFailureText(const Tree& group, const std::string& name) {
  for (const Tree& leaf : leaves({group})) {
    if (leaf.name() == name) return leafFailure(leaf).value_or("(passed)");
  }
  return "(no leaf " + name + ")";
}

inline std::vector<std::string> leafNames(const Tree& group) {
  std::vector<std::string> names;
  for (const Tree& leaf : leaves({group})) names.push_back(leaf.name());
  return names;
}

inline void expectAllLeavesPass(const std::vector<Tree>& trees) {
  for (const Tree& leaf : leaves(trees)) {
    const auto failure = leafFailure(leaf);
    EXPECT_FALSE(failure) << leaf.name() << ":\n" << head(failure.value_or(""));
  }
}

// Exactly the leaves in `failing` fail, each with its text in the report.
inline void expectOnlyTheseFail(const Tree& group,
                                const std::map<std::string, std::string>& failing) {
  for (const Tree& leaf : leaves({group})) {
    const auto failure = leafFailure(leaf);
    const auto expected = failing.find(leaf.name());
    if (expected == failing.end()) {
      EXPECT_FALSE(failure) << leaf.name() << " should pass:\n" << head(failure.value_or(""));
    } else if (!failure) {
      ADD_FAILURE() << leaf.name() << " passes";
    } else {
      EXPECT_NE(failure->find(expected->second), std::string::npos)
          << leaf.name() << " lacks \"" << expected->second << "\":\n"
          << head(*failure);
    }
  }
}

}  // namespace kavrit::test::propcheck
