#include "kavrit/test/test_tree.hpp"

#include <iostream>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <variant>

#include "kavrit/rapidcheck/property.hpp"
#include "tree/test_node.hpp"

namespace kavrit::test {

const std::vector<Test>& Test::Node::children() const {
  static const std::vector<Test> none;
  return none;
}

namespace {

struct CaseNode : Test::Node {
  CaseNode(std::string name, std::function<void()> assertion,
           std::optional<SourceLocation> location)
      : Node(Test::Kind::Case, std::move(name)),
        assertion(std::move(assertion)),
        at(std::move(location)) {}
  void run() const override { assertion(); }
  [[nodiscard]] std::optional<SourceLocation> location() const override { return at; }

  std::function<void()> assertion;
  std::optional<SourceLocation> at;
};

struct GroupNode : Test::Node {
  GroupNode(std::string name, std::vector<Test> members)
      : Node(Test::Kind::Group, std::move(name)), members(std::move(members)) {}
  [[nodiscard]] const std::vector<Test>& children() const override { return members; }

  std::vector<Test> members;
};

struct PropertyNode : Test::Node {
  PropertyNode(std::string name, std::shared_ptr<const detail::PropertyHolder> held)
      : Node(Test::Kind::Property, std::move(name)), held(std::move(held)) {}
  [[nodiscard]] const detail::PropertyHolder* property() const override { return held.get(); }

  std::shared_ptr<const detail::PropertyHolder> held;
};

}  // namespace

Test::Kind Test::kind() const noexcept { return node_->kind; }
const std::string& Test::name() const noexcept { return node_->name; }
const std::vector<Test>& Test::children() const noexcept { return node_->children(); }
std::optional<SourceLocation> Test::location() const { return node_->location(); }

namespace {

std::mutex& noteMutex() {
  static std::mutex mutex;
  return mutex;
}

NoteSink& noteSink() {
  static NoteSink sink;
  return sink;
}

}  // namespace

NoteSink setNoteSink(NoteSink sink) {
  const std::scoped_lock lock(noteMutex());
  std::swap(noteSink(), sink);
  return sink;
}

void recordNote(const std::string& note) {
  NoteSink sink;
  {
    const std::scoped_lock lock(noteMutex());
    sink = noteSink();
  }
  if (sink) {
    sink(note);
  } else {
    std::clog << "kavrit note: " << note << '\n';
  }
}

void Test::run() const {
  if (node_->kind != Kind::Case)
    throw std::logic_error("Test::run: \"" + name() + "\" is not a unit case");
  node_->run();
}

namespace {

PropertyResult checkWith(const std::string& name, const detail::PropertyHolder& holder,
                         const std::string& id, const rc::detail::TestParams& params);

}  // namespace

PropertyResult Test::check(const std::string& id) const {
  if (node_->kind != Kind::Property) {
    throw std::logic_error("Test::check: \"" + name() + "\" is not a property");
  }
  return checkWith(name(), *node_->property(), id, rc::detail::configuration().testParams);
}

PropertyResult Test::check(const std::string& id, const PropertyParams& params) const {
  if (node_->kind != Kind::Property) {
    throw std::logic_error("Test::check: \"" + name() + "\" is not a property");
  }
  rc::detail::TestParams rcParams;
  rcParams.seed = params.seed;
  rcParams.maxSuccess = params.maxSuccess;
  rcParams.maxSize = params.maxSize;
  rcParams.maxDiscardRatio = params.maxDiscardRatio;
  rcParams.disableShrinking = params.disableShrinking;
  return checkWith(name(), *node_->property(), id, rcParams);
}

namespace {

PropertyResult checkWith(const std::string& name, const detail::PropertyHolder& holder,
                         const std::string& id, const rc::detail::TestParams& params) {
  rc::detail::TestMetadata metadata;
  metadata.id = id;
  metadata.description = name;
  const rc::detail::TestResult result =
      rc::detail::checkProperty(holder.property, metadata, params);

  PropertyResult out;
  out.seed = params.seed;
  std::ostringstream report;
  rc::detail::printResultMessage(result, report);
  if (result.is<rc::detail::SuccessResult>()) {
    out.outcome = PropertyResult::Outcome::Passed;
    out.successes = result.get<rc::detail::SuccessResult>().numSuccess;
  } else {
    if (result.is<rc::detail::FailureResult>()) {
      out.outcome = PropertyResult::Outcome::Failed;
      out.successes = result.get<rc::detail::FailureResult>().numSuccess;
    } else if (result.is<rc::detail::GaveUpResult>()) {
      out.outcome = PropertyResult::Outcome::GaveUp;
      out.successes = result.get<rc::detail::GaveUpResult>().numSuccess;
    }
    report << "\nProperty \"" << name << "\" ran with seed " << params.seed
           << "; repeat this run with RC_PARAMS=\"seed=" << params.seed << "\"";
  }
  out.report = report.str();
  return out;
}

}  // namespace

Test testCase(std::string name, std::function<void()> assertion) {
  return testCase(std::move(name), std::move(assertion), std::nullopt);
}

Test testCase(std::string name, std::function<void()> assertion,
              std::optional<SourceLocation> location) {
  return Test(
      std::make_shared<const CaseNode>(std::move(name), std::move(assertion), std::move(location)));
}

Test testGroup(std::string name, std::vector<Test> members) {
  return Test(std::make_shared<const GroupNode>(std::move(name), std::move(members)));
}

Test makePropertyTest(std::string name, std::shared_ptr<const detail::PropertyHolder> property) {
  if (!property) throw std::invalid_argument("makePropertyTest: \"" + name + "\" has no property");
  return Test(std::make_shared<const PropertyNode>(std::move(name), std::move(property)));
}

std::size_t countLeaves(const std::vector<Test>& trees) {
  std::size_t n = 0;
  for (const Test& t : trees) n += t.kind() == Test::Kind::Group ? countLeaves(t.children()) : 1;
  return n;
}

}  // namespace kavrit::test
