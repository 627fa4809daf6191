// Checks what registerTests hands to GoogleTest: it registers trees with awkward names and
// failing leaves, runs them, and compares every reported suite name, test name, verdict, failure
// text and source location with what it should be. Registration has to happen before RUN_ALL_TESTS,
// so this is a program of its own rather than a test inside the unit-test binary.

#include <gtest/gtest.h>

#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/test_tree.hpp"

namespace {

using kavrit::test::assertEqual;
using kavrit::test::RandomBytes;
using kavrit::test::testCase;
using kavrit::test::testGroup;
using kavrit::test::testProperty;

struct Location {
  std::string file;
  int line;
  friend bool operator==(const Location&, const Location&) = default;
};

std::string describe(const Location& at) { return at.file + ":" + std::to_string(at.line); }

struct Reported {
  std::string suite;
  std::string name;
  bool passed;
  std::string messages;
  Location registeredAt;
  std::vector<Location> failedAt;
};

class Recorder : public testing::EmptyTestEventListener {
 public:
  void OnTestEnd(const testing::TestInfo& info) override {
    Reported r;
    r.suite = info.test_suite_name();
    r.name = info.name();
    r.passed = info.result()->Passed();
    r.registeredAt = {info.file(), info.line()};
    for (int i = 0; i < info.result()->total_part_count(); ++i) {
      const testing::TestPartResult& part = info.result()->GetTestPartResult(i);
      r.messages += part.message();
      r.messages += "\n";
      r.failedAt.push_back(
          {part.file_name() != nullptr ? part.file_name() : "", part.line_number()});
    }
    reported.push_back(std::move(r));
  }
  std::vector<Reported> reported;
};

struct Expected {
  std::string suite;
  std::string name;
  bool passed;
  std::vector<std::string> messageHas;
  std::vector<std::string> messageLacks;
};

void pass() {}

// Where registerTests was called, for the locations of the tests and their failures.
int suiteLine = 0;
int loneLeafLine = 0;
int groupLine = 0;
const Location kGivenPlace{"vectors/given.rsp", 42};
int fileLineHelperCallLine = 0;
int locationHelperCallLine = 0;

kavrit::test::Test failingProperty() {
  return testProperty("fails", [](const RandomBytes& bytes) {
    RC_ASSERT(bytes.value.size() > kavrit::test::kMaxDrawnBytes);
  });
}

// Helpers such as a user writes around registerTests: each passes its caller's place on, so the
// failures below must be reported at the lines that call them, not at the lines in here.
void registerForCaller(const std::string& suite, const kavrit::test::Test& tree,
                       const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
  kavrit::gtest::registerTests(suite, tree, file, line);
}

void registerForCallerAt(const std::string& suite, const std::vector<kavrit::test::Test>& trees,
                         const kavrit::test::SourceLocation& at = {__builtin_FILE(),
                                                                   __builtin_LINE()}) {
  kavrit::gtest::registerTests(suite, trees, at);
}

void registerAll() {
  suiteLine = __LINE__ + 1;
  kavrit::gtest::registerTests(
      "Suite",
      std::vector<kavrit::test::Test>{
          testCase("top-level case", pass),
          testGroup("Top group",
                    {
                        testCase("plain", pass),
                        testCase("with spaces and \"quotes\"", pass),
                        testCase("dots.and-dashes:colons", pass),
                        testCase("twice", pass),
                        testCase("twice", pass),
                        testGroup("Inner group",
                                  {
                                      testCase("deep", pass),
                                      testGroup("deeper.still", {testCase("deepest", pass)}),
                                      testGroup("empty", {}),
                                  }),
                        testCase("assertion fails", [] { assertEqual("block count", 1, 2); }),
                        testCase("throws runtime_error",
                                 [] { throw std::runtime_error("ran out of blocks"); }),
                        testCase("throws an int", [] { throw 42; }),
                        testProperty("property passes", [](const RandomBytes&) {}),
                        testProperty("property fails",
                                     [](const RandomBytes& bytes) {
                                       RC_ASSERT(bytes.value.size() > kavrit::test::kMaxDrawnBytes);
                                     }),
                        testProperty("property throws",
                                     [](const RandomBytes&) {
                                       throw std::runtime_error("cipher under test exploded");
                                     }),
                        testProperty("property throws an int",
                                     [](const RandomBytes&) { throw 42; }),
                        testCase("after the failures", pass),
                    }),
      });
  loneLeafLine = __LINE__ + 1;
  kavrit::gtest::registerTests("Other suite", testCase("lone leaf", pass));
  groupLine = __LINE__ + 1;
  kavrit::gtest::registerTests("Other suite", testGroup("G", {testCase("x", pass)}));
  kavrit::gtest::registerTests("Placed", {testCase("fails where it was told", [] { throw 1; })},
                               kGivenPlace.file.c_str(), kGivenPlace.line);
  fileLineHelperCallLine = __LINE__ + 1;
  registerForCaller("Helper", testGroup("G", {failingProperty()}));
  locationHelperCallLine = __LINE__ + 1;
  registerForCallerAt("Located", {failingProperty(), testCase("case", [] { throw 1; })});
}

Location expectedLocation(const std::string& suite) {
  if (suite == "Placed") return kGivenPlace;
  if (suite == "Helper/G") return {__FILE__, fileLineHelperCallLine};
  if (suite == "Located") return {__FILE__, locationHelperCallLine};
  const int line = suite == "Other suite"     ? loneLeafLine
                   : suite == "Other suite/G" ? groupLine
                                              : suiteLine;
  return {__FILE__, line};
}

std::vector<Expected> expected() {
  const std::string top = "Suite/Top group";
  return {
      {"Suite", "top-level case", true, {}, {}},
      {top, "plain", true, {}, {}},
      {top, "with spaces and \"quotes\"", true, {}, {}},
      {top, "dots.and-dashes:colons", true, {}, {}},
      {top, "twice", true, {}, {}},
      {top, "twice", true, {}, {}},
      {top, "Inner group/deep", true, {}, {}},
      {top, "Inner group/deeper.still/deepest", true, {}, {}},
      {top, "assertion fails", false, {"block count", "expected: 1", "but got: 2"}, {"error:"}},
      {top, "throws runtime_error", false, {"error: ran out of blocks"}, {}},
      {top, "throws an int", false, {"error: an exception that is not a std::exception"}, {}},
      {top, "property passes", true, {}, {}},
      {top,
       "property fails",
       false,
       {"bytes.value.size() > kavrit::test::kMaxDrawnBytes", "seed", "RC_PARAMS=\"seed="},
       {}},
      {top, "property throws", false, {"cipher under test exploded", "RC_PARAMS=\"seed="}, {}},
      {top, "property throws an int", false, {"RC_PARAMS=\"seed="}, {}},
      {top, "after the failures", true, {}, {}},
      {"Other suite", "lone leaf", true, {}, {}},
      {"Other suite/G", "x", true, {}, {}},
      {"Placed", "fails where it was told", false, {"error: an exception"}, {}},
      {"Helper/G", "fails", false, {"RC_PARAMS=\"seed="}, {}},
      {"Located", "fails", false, {"RC_PARAMS=\"seed="}, {}},
      {"Located", "case", false, {"error: an exception"}, {}},
  };
}

std::string describe(const std::string& suite, const std::string& name) {
  return "[" + suite + "] [" + name + "]";
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  registerAll();

  // The failures below are intended; print only how they compare.
  testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
  delete listeners.Release(listeners.default_result_printer());
  auto* recorder = new Recorder;  // owned by GoogleTest from here on
  listeners.Append(recorder);
  const int status = RUN_ALL_TESTS();

  const std::vector<Expected> want = expected();
  const std::vector<Reported>& got = recorder->reported;
  int mismatches = 0;
  const auto mismatch = [&mismatches](const std::string& what) {
    ++mismatches;
    std::cout << "MISMATCH: " << what << "\n";
  };
  if (status == 0) mismatch("RUN_ALL_TESTS reported no failure");
  if (got.size() != want.size()) {
    mismatch("expected " + std::to_string(want.size()) + " tests, GoogleTest ran " +
             std::to_string(got.size()));
  }
  for (std::size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
    const Reported& g = got[i];
    const Expected& w = want[i];
    const std::string where = describe(w.suite, w.name);
    if (g.suite != w.suite || g.name != w.name) {
      mismatch("test " + std::to_string(i) + " is " + describe(g.suite, g.name) + ", expected " +
               where);
    }
    if (g.passed != w.passed) {
      mismatch(where + (w.passed ? " failed:\n" : " passed") + g.messages);
    }
    const Location at = expectedLocation(w.suite);
    if (!(g.registeredAt == at)) {
      mismatch(where + " registered at " + describe(g.registeredAt) + ", expected " + describe(at));
    }
    for (const Location& failedAt : g.failedAt) {
      if (!(failedAt == at)) {
        mismatch(where + " failed at " + describe(failedAt) + ", expected " + describe(at));
      }
    }
    for (const std::string& text : w.messageHas) {
      if (g.messages.find(text) == std::string::npos) {
        mismatch(where + " message lacks \"" + text + "\":\n" + g.messages);
      }
    }
    for (const std::string& text : w.messageLacks) {
      if (g.messages.find(text) != std::string::npos) {
        mismatch(where + " message has \"" + text + "\":\n" + g.messages);
      }
    }
  }
  if (mismatches == 0) {
    std::cout << "bridge: " << want.size() << " registered tests ran with the expected names "
              << "and verdicts\n";
  }
  return mismatches == 0 ? 0 : 1;
}
