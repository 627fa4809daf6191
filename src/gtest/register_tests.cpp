#include "kavrit/gtest/register_tests.hpp"

#include <cstddef>
#include <deque>
#include <exception>
#include <optional>
#include <utility>

#include <gtest/gtest.h>

#include "kavrit/test/assert.hpp"

namespace kavrit::gtest {
namespace {

using test::SourceLocation;

// A leaf that knows its own source (a known-answer test read from a vector file) is reported
// there rather than at the registerTests call.
SourceLocation locationOf(const test::Test& leaf, const SourceLocation& callSite) {
  return leaf.location().value_or(callSite);
}

// One registered leaf. Only `leaf` is released at the end of the test program; the rest stays,
// so that a run after that can still say which test it was.
struct Registered {
  std::optional<test::Test> leaf;
  std::string id;
  SourceLocation at;
};

// Every registered leaf, found by the index its GoogleTest factory holds. GoogleTest keeps the
// factories until ~UnitTest, after the static destructors of the libraries that a leaf's closure
// may own objects of (Botan's memory pool, say); so the leaves live here instead and are released
// as soon as RUN_ALL_TESTS has run them.
class Registry {
 public:
  // Never destroyed: leaves that are still here at exit (the tests never ran) are left alone
  // rather than destroyed after the libraries they use.
  static Registry& instance() {
    static Registry* const registry = new Registry;
    return *registry;
  }

  std::size_t add(Registered entry) {
    if (!listening_) {
      testing::UnitTest::GetInstance()->listeners().Append(new ReleaseAtProgramEnd);
      listening_ = true;
    }
    entries_.push_back(std::move(entry));
    return entries_.size() - 1;
  }

  // References stay valid while more leaves are added.
  [[nodiscard]] const Registered& at(std::size_t index) const { return entries_.at(index); }

  void release() {
    for (Registered& entry : entries_) entry.leaf.reset();
  }

 private:
  class ReleaseAtProgramEnd : public testing::EmptyTestEventListener {
    void OnTestProgramEnd(const testing::UnitTest&) override { instance().release(); }
  };

  std::deque<Registered> entries_;
  bool listening_ = false;
};

class LeafTest : public testing::Test {
 public:
  explicit LeafTest(std::size_t index) : index_(index) {}

  void TestBody() override {
    const Registered& entry = Registry::instance().at(index_);
    const char* const file = entry.at.file.c_str();
    const int line = entry.at.line;
    if (!entry.leaf) {
      ADD_FAILURE_AT(file, line) << "kavrit: \"" << entry.id
                                 << "\" was released when the test program ended; register it "
                                    "again to run it again";
      return;
    }
    const test::Test& leaf = *entry.leaf;
    if (leaf.kind() == test::Test::Kind::Property) {
      const test::PropertyResult result = leaf.check(entry.id);
      if (!result.passed()) ADD_FAILURE_AT(file, line) << result.report;
      return;
    }
    // Notes of a passing case (which way an implementation went where either is allowed) stay
    // with the test in GoogleTest's XML and JSON reports.
    const test::NoteSink previous = test::setNoteSink(
        [](const std::string& note) { testing::Test::RecordProperty("kavrit_note", note); });
    struct RestoreSink {
      test::NoteSink sink;
      ~RestoreSink() { test::setNoteSink(std::move(sink)); }
    } restore{previous};
    try {
      leaf.run();
    } catch (const test::AssertionFailure& failure) {
      ADD_FAILURE_AT(file, line) << failure.what();
    } catch (const std::exception& error) {
      ADD_FAILURE_AT(file, line) << "error: " << error.what();
    } catch (...) {
      ADD_FAILURE_AT(file, line) << "error: an exception that is not a std::exception";
    }
  }

 private:
  std::size_t index_;
};

void registerLeaf(const std::string& suite, const std::string& name, const test::Test& leaf,
                  const SourceLocation& callSite) {
  Registry& registry = Registry::instance();
  const std::size_t index =
      registry.add(Registered{leaf, suite + "/" + name, locationOf(leaf, callSite)});
  const SourceLocation& at = registry.at(index).at;
  // The factory holds no part of the leaf, so GoogleTest keeps nothing of the user's.
  testing::RegisterTest(suite.c_str(), name.c_str(), nullptr, nullptr, at.file.c_str(), at.line,
                        [index]() -> testing::Test* { return new LeafTest(index); });
}

// Only the top level of a tree becomes a GoogleTest suite: suites are looked up by a linear scan,
// so one suite per deep group would make registration quadratic.
void registerInSuite(const std::string& suite, const std::string& path, const test::Test& tree,
                     const SourceLocation& callSite) {
  if (tree.kind() != test::Test::Kind::Group) {
    registerLeaf(suite, path + tree.name(), tree, callSite);
    return;
  }
  for (const test::Test& child : tree.children()) {
    registerInSuite(suite, path + tree.name() + "/", child, callSite);
  }
}

}  // namespace

void registerTests(const std::string& suiteName, const test::Test& tree, const char* file,
                   int line) {
  const SourceLocation callSite{file != nullptr ? file : "", line};
  if (tree.kind() != test::Test::Kind::Group) {
    registerLeaf(suiteName, tree.name(), tree, callSite);
    return;
  }
  const std::string suite = suiteName + "/" + tree.name();
  for (const test::Test& child : tree.children()) registerInSuite(suite, "", child, callSite);
}

void registerTests(const std::string& suiteName, const std::vector<test::Test>& trees,
                   const char* file, int line) {
  for (const test::Test& tree : trees) registerTests(suiteName, tree, file, line);
}

}  // namespace kavrit::gtest
