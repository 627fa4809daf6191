#pragma once

/// @file
/// The trees of named tests that every suite builder returns. A tree is a leaf (a unit case or a
/// property) or a group of trees. Nothing in a tree runs by itself: a runner walks it with the
/// accessors below and runs the leaves (see kavrit/gtest/register_tests.hpp).
///
/// This header does not include RapidCheck: a property leaf holds its RapidCheck property behind
/// an opaque pointer. To write properties of your own, include kavrit/rapidcheck/property.hpp,
/// which has `testProperty`.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

/// Settings of one property run, for callers that want fixed draws (the defaults are RapidCheck's
/// own).
struct PropertyParams {
  std::uint64_t seed = 0;
  int maxSuccess = 100;
  int maxSize = 100;
  int maxDiscardRatio = 10;
  bool disableShrinking = false;
};

/// Where a test comes from, when it comes from a file (a known-answer vector): runners can show
/// the failure at that place.
struct SourceLocation {
  std::string file;
  int line = 0;
};

namespace detail {
/// A RapidCheck property; defined in kavrit/rapidcheck/property.hpp.
struct PropertyHolder;
/// Internal: how the library makes tests of its own node kinds.
struct TestAccess;
}  // namespace detail

/// A test tree: a unit case, a property or a group.
class Test {
 public:
  enum class Kind { Case, Property, Group };

  [[nodiscard]] Kind kind() const noexcept;
  [[nodiscard]] const std::string& name() const noexcept;
  /// The members of a group, in order; empty for a leaf.
  [[nodiscard]] const std::vector<Test>& children() const noexcept;
  /// The vector file and line a known-answer case was read from; nothing for other tests.
  [[nodiscard]] std::optional<SourceLocation> location() const;

  /// Runs a unit case once. A failed assertion throws AssertionFailure; any other exception the
  /// case raises passes through. Throws std::logic_error when called on another kind.
  void run() const;

  /// Checks a property with RapidCheck's process-wide configuration (RC_PARAMS). `id` names the
  /// property to RapidCheck (its reproduction key); the bridge passes the full test path.
  [[nodiscard]] PropertyResult check(const std::string& id) const;
  /// Checks a property with explicit parameters.
  [[nodiscard]] PropertyResult check(const std::string& id, const PropertyParams& params) const;

  friend Test testCase(std::string name, std::function<void()> assertion);
  friend Test testCase(std::string name, std::function<void()> assertion,
                       std::optional<SourceLocation> location);
  friend Test testGroup(std::string name, std::vector<Test> members);
  friend Test makePropertyTest(std::string name,
                               std::shared_ptr<const detail::PropertyHolder> property);

  /// Internal: what a test holds; defined inside the library.
  struct Node;

 private:
  friend struct detail::TestAccess;
  explicit Test(std::shared_ptr<const Node> node) : node_(std::move(node)) {}
  std::shared_ptr<const Node> node_;
};

/// A unit case: runs `assertion` once; it fails by throwing.
Test testCase(std::string name, std::function<void()> assertion);
/// The same, remembering the vector file and line it was read from.
Test testCase(std::string name, std::function<void()> assertion,
              std::optional<SourceLocation> location);

/// A group holding `members` in the given order.
Test testGroup(std::string name, std::vector<Test> members);

/// Internal: a property leaf from an already converted RapidCheck property (see
/// kavrit/rapidcheck/property.hpp for `testProperty`).
Test makePropertyTest(std::string name, std::shared_ptr<const detail::PropertyHolder> property);

/// Where a passing unit case tells its runner something worth keeping, such as which way an
/// implementation went on an input that may be either accepted or refused. The runner installs
/// the sink (the GoogleTest bridge records each note as the test's property "kavrit_note");
/// without one, notes go to std::clog. setNoteSink returns the sink it replaces.
using NoteSink = std::function<void(const std::string&)>;
NoteSink setNoteSink(NoteSink sink);
/// Hands `note` to the installed sink.
void recordNote(const std::string& note);

/// Number of leaves in a list of trees.
std::size_t countLeaves(const std::vector<Test>& trees);

}  // namespace kavrit::test
