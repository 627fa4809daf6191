#pragma once

// What a Test holds. A suite makes thousands of leaves, so a leaf is one allocation: a node kind
// defined elsewhere (a known-answer case, say) keeps its body in the node and can take its
// location from what it holds instead of a copy of the file's path.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

struct Test::Node {
  Node(Kind kind, std::string name) : kind(kind), name(std::move(name)) {}
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  virtual ~Node() = default;

  Kind kind;
  std::string name;

  /// The members of a group; empty for a leaf.
  [[nodiscard]] virtual const std::vector<Test>& children() const;
  [[nodiscard]] virtual std::optional<SourceLocation> location() const { return std::nullopt; }
  /// A unit case's body.
  virtual void run() const {}
  [[nodiscard]] virtual const detail::PropertyHolder* property() const { return nullptr; }
};

namespace detail {

/// Makes Tests from nodes of kinds the library defines outside test_tree.cpp.
struct TestAccess {
  static Test wrap(std::shared_ptr<const Test::Node> node) { return Test(std::move(node)); }
};

}  // namespace detail
}  // namespace kavrit::test
