#include "quick_trees.hpp"

#include <iterator>
#include <utility>

namespace kavrit::test::detail {

namespace {

bool isSlowGroup(const Test& tree) {
  return tree.kind() == Test::Kind::Group && tree.name() == "Slow";
}

}  // namespace

void appendTrees(std::vector<Test>& suites, std::vector<Test> trees) {
  suites.insert(suites.end(), std::make_move_iterator(trees.begin()),
                std::make_move_iterator(trees.end()));
}

Test withoutSlow(const Test& tree) {
  if (tree.kind() != Test::Kind::Group) return tree;
  std::vector<Test> kept;
  for (const Test& child : tree.children()) {
    if (!isSlowGroup(child)) kept.push_back(withoutSlow(child));
  }
  return testGroup(tree.name(), std::move(kept));
}

void appendQuick(std::vector<Test>& suites, const std::vector<Test>& trees) {
  for (const Test& tree : trees) {
    if (!isSlowGroup(tree)) suites.push_back(withoutSlow(tree));
  }
}

}  // namespace kavrit::test::detail
