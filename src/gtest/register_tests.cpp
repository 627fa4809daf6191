#include "kavrit/gtest/register_tests.hpp"

#include <exception>

#include <gtest/gtest.h>

#include "kavrit/test/assert.hpp"

namespace kavrit::gtest {
namespace {

class LeafTest : public testing::Test {
 public:
  LeafTest(test::Test leaf, std::string id) : leaf_(std::move(leaf)), id_(std::move(id)) {}

  void TestBody() override {
    if (leaf_.kind() == test::Test::Kind::Property) {
      const test::PropertyResult result = leaf_.check(id_);
      if (!result.passed()) ADD_FAILURE() << result.report;
      return;
    }
    try {
      leaf_.run();
    } catch (const test::AssertionFailure& failure) {
      ADD_FAILURE() << failure.what();
    } catch (const std::exception& error) {
      ADD_FAILURE() << "error: " << error.what();
    } catch (...) {
      ADD_FAILURE() << "error: an exception that is not a std::exception";
    }
  }

 private:
  test::Test leaf_;
  std::string id_;
};

void registerLeaf(const std::string& suite, const std::string& name, const test::Test& leaf) {
  const std::string id = suite + "/" + name;
  testing::RegisterTest(suite.c_str(), name.c_str(), nullptr, nullptr, "", 0,
                        [leaf, id]() -> testing::Test* { return new LeafTest(leaf, id); });
}

// Only the top level of a tree becomes a GoogleTest suite: suites are looked up by a linear scan,
// so one suite per deep group would make registration quadratic.
void registerInSuite(const std::string& suite, const std::string& path, const test::Test& tree) {
  if (tree.kind() != test::Test::Kind::Group) {
    registerLeaf(suite, path + tree.name(), tree);
    return;
  }
  for (const test::Test& child : tree.children()) {
    registerInSuite(suite, path + tree.name() + "/", child);
  }
}

}  // namespace

void registerTests(const std::string& suiteName, const test::Test& tree) {
  if (tree.kind() != test::Test::Kind::Group) {
    registerLeaf(suiteName, tree.name(), tree);
    return;
  }
  const std::string suite = suiteName + "/" + tree.name();
  for (const test::Test& child : tree.children()) registerInSuite(suite, "", child);
}

void registerTests(const std::string& suiteName, const std::vector<test::Test>& trees) {
  for (const test::Test& tree : trees) registerTests(suiteName, tree);
}

}  // namespace kavrit::gtest
