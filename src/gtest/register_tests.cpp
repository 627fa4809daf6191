#include "kavrit/gtest/register_tests.hpp"

#include <cstddef>
#include <cstdlib>
#include <deque>
#include <exception>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

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

// One registered leaf. Only `leaf` is released at the end of the test program; GoogleTest's
// record of the test stays, so that a run after that can still say which test it was. Its name
// and place are GoogleTest's copies: a suite registers thousands of leaves.
struct Registered {
  std::optional<test::Test> leaf;
  // Set once the leaf is registered: its name, its place, whether the filter selected it.
  const testing::TestInfo* info = nullptr;
};

// The leaf's full path, the name its property is known by to RapidCheck.
std::string idOf(const testing::TestInfo& info) {
  return std::string(info.test_suite_name()) + "/" + info.name();
}

// Whether `name` matches the glob `pattern` as GoogleTest matches filter patterns: '*' stands for
// any run of characters, '?' for any one character, every other character for itself.
bool globMatches(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t starAt = std::string_view::npos, resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Whether `name` matches one of the ':'-separated patterns of `patterns`.
bool anyGlobMatches(std::string_view patterns, std::string_view name) {
  while (true) {
    const std::size_t colon = patterns.find(':');
    if (globMatches(patterns.substr(0, colon), name)) return true;
    if (colon == std::string_view::npos) return false;
    patterns.remove_prefix(colon + 1);
  }
}

// A filter as its writer most likely meant it when it names tests with dashes: '-' starts the
// patterns to leave out only at the start of the filter or of a pattern (after ':'), and is part
// of a name anywhere else. GoogleTest instead leaves out everything after the first '-'.
struct DashLiteralFilter {
  std::string_view positive;
  std::string_view negative;

  explicit DashLiteralFilter(std::string_view filter) : positive(filter) {
    for (std::size_t i = 0; i < filter.size(); ++i) {
      if (filter[i] == '-' && (i == 0 || filter[i - 1] == ':')) {
        positive = filter.substr(0, i);
        negative = filter.substr(i + 1);
        break;
      }
    }
  }

  [[nodiscard]] bool selects(std::string_view fullName) const {
    return anyGlobMatches(positive.empty() ? "*" : positive, fullName) &&
           (negative.empty() || !anyGlobMatches(negative, fullName));
  }

  // The same filter in a form GoogleTest reads that way: '?' for each '-' of the positive part.
  [[nodiscard]] std::string forGoogleTest(std::string_view filter) const {
    std::string fixed(positive);
    for (char& c : fixed) {
      if (c == '-') c = '?';
    }
    fixed += filter.substr(positive.size());
    return fixed;
  }
};

std::string fullNameOf(const testing::TestInfo& info) {
  return std::string(info.test_suite_name()) + "." + info.name();
}

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
      testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
      listeners.Append(new CheckFilter);
      listeners.Append(new ReleaseAtProgramEnd);
      listening_ = true;
    }
    entries_.push_back(std::move(entry));
    return entries_.size() - 1;
  }

  // References stay valid while more leaves are added.
  [[nodiscard]] const Registered& at(std::size_t index) const { return entries_.at(index); }

  void setInfo(std::size_t index, const testing::TestInfo* info) { entries_.at(index).info = info; }

  void release() {
    for (Registered& entry : entries_) entry.leaf.reset();
  }

 private:
  class ReleaseAtProgramEnd : public testing::EmptyTestEventListener {
    void OnTestProgramEnd(const testing::UnitTest&) override { instance().release(); }
  };

  // A filter that selects none of the registered tests fails the run instead of passing with
  // nothing run: test names hold dashes ("OFBMMT128d.rsp-0"), and a name copied into
  // --gtest_filter as it is leaves out everything after its first dash. Silent when the filter
  // selects tests of the program's own and would select none of ours even with its dashes read
  // as part of the names, and under sharding, where a shard may well get none of them.
  class CheckFilter : public testing::EmptyTestEventListener {
    void OnTestIterationStart(const testing::UnitTest& unitTest, int iteration) override {
      if (iteration != 0 || std::getenv("GTEST_TOTAL_SHARDS") != nullptr) return;
      const std::string filter = GTEST_FLAG_GET(filter);
      if (filter == "*") return;
      const std::deque<Registered>& entries = instance().entries_;
      std::size_t registered = 0;
      for (const Registered& entry : entries) {
        if (entry.info == nullptr) continue;
        if (entry.info->should_run()) return;
        ++registered;
      }
      if (registered == 0) return;
      const DashLiteralFilter literal(filter);
      std::size_t literallySelected = 0;
      std::string example, dashedExample;
      for (const Registered& entry : entries) {
        if (entry.info == nullptr) continue;
        const std::string name = fullNameOf(*entry.info);
        if (example.empty()) example = name;
        if (dashedExample.empty() && name.find('-') != std::string::npos) dashedExample = name;
        if (literal.selects(name)) ++literallySelected;
      }
      const bool noneAtAll = unitTest.test_to_run_count() == 0;
      if (!noneAtAll && literallySelected == 0) return;

      std::ostringstream text;
      text << "kavrit: the GoogleTest filter \"" << filter << "\" selects none of the "
           << registered << " registered kavrit tests"
           << (noneAtAll ? " (and no other test either)." : ".");
      const std::string fixed = literal.forGoogleTest(filter);
      if (fixed != filter) {
        text << "\nGoogleTest reads the first '-' of a filter as the start of the patterns of "
                "tests to leave out, so a test name with a dash (\""
             << (dashedExample.empty() ? "AES/NIST.OFBMMT128d.rsp-0" : dashedExample)
             << "\") does not select itself. Write '?' for each dash of a name";
        if (literallySelected > 0) {
          text << "; then the filter selects " << literallySelected << " of them";
        }
        text << ":\n  --gtest_filter='" << fixed << "'";
      } else {
        text << "\nA test's full name is <suite>.<name>, such as \"" << example
             << "\"; --gtest_list_tests lists them all.";
      }
      ADD_FAILURE_AT("--gtest_filter", -1) << text.str();
    }
  };

  std::deque<Registered> entries_;
  bool listening_ = false;
};

class LeafTest : public testing::Test {
 public:
  explicit LeafTest(std::size_t index) : index_(index) {}

  void TestBody() override {
    const Registered& entry = Registry::instance().at(index_);
    const char* const file = entry.info->file();
    const int line = entry.info->line();
    if (!entry.leaf) {
      ADD_FAILURE_AT(file, line) << "kavrit: \"" << idOf(*entry.info)
                                 << "\" was released when the test program ended; register it "
                                    "again to run it again";
      return;
    }
    const test::Test& leaf = *entry.leaf;
    if (leaf.kind() == test::Test::Kind::Property) {
      const test::PropertyResult result = leaf.check(idOf(*entry.info));
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
  const std::size_t index = registry.add(Registered{leaf});
  const SourceLocation at = locationOf(leaf, callSite);
  // The factory holds no part of the leaf, so GoogleTest keeps nothing of the user's.
  const testing::TestInfo* info =
      testing::RegisterTest(suite.c_str(), name.c_str(), nullptr, nullptr, at.file.c_str(), at.line,
                            [index]() -> testing::Test* { return new LeafTest(index); });
  registry.setInfo(index, info);
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

void registerTests(const std::string& suiteName, const test::Test& tree, const SourceLocation& at) {
  if (tree.kind() != test::Test::Kind::Group) {
    registerLeaf(suiteName, tree.name(), tree, at);
    return;
  }
  const std::string suite = suiteName + "/" + tree.name();
  for (const test::Test& child : tree.children()) registerInSuite(suite, "", child, at);
}

void registerTests(const std::string& suiteName, const std::vector<test::Test>& trees,
                   const SourceLocation& at) {
  for (const test::Test& tree : trees) registerTests(suiteName, tree, at);
}

void registerTests(const std::string& suiteName, const test::Test& tree, const char* file,
                   int line) {
  registerTests(suiteName, tree, SourceLocation{file != nullptr ? file : "", line});
}

void registerTests(const std::string& suiteName, const std::vector<test::Test>& trees,
                   const char* file, int line) {
  registerTests(suiteName, trees, SourceLocation{file != nullptr ? file : "", line});
}

}  // namespace kavrit::gtest
