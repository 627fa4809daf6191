#pragma once

/// @file
/// The trees of named tests that every suite builder returns. A tree is a leaf (a unit case or a
/// RapidCheck property) or a group of trees. Nothing in a tree runs by itself: a runner walks it
/// with the accessors below and runs the leaves (see kavrit/gtest/register_tests.hpp).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <rapidcheck.h>

namespace kavrit::test {

/// What running one property gave.
struct PropertyResult {
  enum class Outcome { Passed, Failed, GaveUp, Error };
  Outcome outcome = Outcome::Error;
  /// Cases that passed before the property stopped.
  int successes = 0;
  /// The seed the run used; `RC_PARAMS="seed=<seed>"` repeats the run.
  std::uint64_t seed = 0;
  /// RapidCheck's report (the failing inputs, the reason) followed by how to reproduce it.
  std::string report;

  [[nodiscard]] bool passed() const noexcept { return outcome == Outcome::Passed; }
};

/// A test tree: a unit case, a property or a group.
class Test {
 public:
  enum class Kind { Case, Property, Group };

  [[nodiscard]] Kind kind() const noexcept;
  [[nodiscard]] const std::string& name() const noexcept;
  /// The members of a group, in order; empty for a leaf.
  [[nodiscard]] const std::vector<Test>& children() const noexcept;

  /// Runs a unit case once. A failed assertion throws AssertionFailure; any other exception the
  /// case raises passes through. Throws std::logic_error when called on another kind.
  void run() const;

  /// Checks a property with RapidCheck's process-wide configuration (RC_PARAMS). `id` names the
  /// property to RapidCheck (its reproduction key); the bridge passes the full test path.
  [[nodiscard]] PropertyResult check(const std::string& id) const;
  /// Checks a property with explicit parameters.
  [[nodiscard]] PropertyResult check(const std::string& id,
                                     const rc::detail::TestParams& params) const;

  friend Test testCase(std::string name, std::function<void()> assertion);
  friend Test testGroup(std::string name, std::vector<Test> members);
  friend Test makePropertyTest(std::string name, rc::detail::Property property);

 private:
  struct Node;
  explicit Test(std::shared_ptr<const Node> node) : node_(std::move(node)) {}
  std::shared_ptr<const Node> node_;
};

/// A unit case: runs `assertion` once; it fails by throwing.
Test testCase(std::string name, std::function<void()> assertion);

/// A group holding `members` in the given order.
Test testGroup(std::string name, std::vector<Test> members);

/// Internal: a property leaf from an already converted RapidCheck property.
Test makePropertyTest(std::string name, rc::detail::Property property);

/// A property leaf from any RapidCheck testable (a callable whose arguments RapidCheck draws, that
/// returns a bool or void and may use RC_PRE to discard a case).
template <class Testable>
Test testProperty(std::string name, Testable&& testable) {
  return makePropertyTest(std::move(name),
                          rc::detail::toProperty(std::forward<Testable>(testable)));
}

/// Number of leaves in a list of trees.
std::size_t countLeaves(const std::vector<Test>& trees);

}  // namespace kavrit::test
