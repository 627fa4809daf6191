#pragma once

// What the per-algorithm bundles share: appending trees, and leaving out the groups named "Slow"
// (millions of PBKDF2 iterations, inputs of a MiB), which are for a runner to ask for.

#include <vector>

#include "kavrit/test/test_tree.hpp"

namespace kavrit::test::detail {

void appendTrees(std::vector<Test>& suites, std::vector<Test> trees);

/// The tree without its groups named "Slow", at any depth.
Test withoutSlow(const Test& tree);

/// Appends each tree without its "Slow" groups, and none that is itself a "Slow" group.
void appendQuick(std::vector<Test>& suites, const std::vector<Test>& trees);

}  // namespace kavrit::test::detail
