#include "kavrit/test/paths.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifndef KAVRIT_TESTS_DATADIR
#error "the paths test needs KAVRIT_TESTS_DATADIR, as the library is built with"
#endif

namespace kavrit::test {
namespace {

struct Getter {
  const char* variable;
  std::string (*get)();
};

const std::vector<Getter>& allGetters() {
  static const std::vector<Getter> getters{
      {"kavrit_tests_bindir", getBinDir},         {"kavrit_tests_libdir", getLibDir},
      {"kavrit_tests_dynlibdir", getDynLibDir},   {"kavrit_tests_datadir", getDataDir},
      {"kavrit_tests_libexecdir", getLibexecDir}, {"kavrit_tests_sysconfdir", getSysconfDir},
  };
  return getters;
}

// Every test starts with the variables unset and gets the caller's
// environment back afterwards.
class PathsTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const Getter& g : allGetters()) {
      const char* value = std::getenv(g.variable);
      saved_.emplace_back(g.variable, value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(g.variable);
    }
  }

  void TearDown() override {
    for (const auto& [variable, value] : saved_) {
      if (value) {
        setenv(variable, value->c_str(), 1);
      } else {
        unsetenv(variable);
      }
    }
  }

  static void setDataDir(const char* value) { setenv("kavrit_tests_datadir", value, 1); }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(PathsTest, DefaultDataDirComesFromTheBuild) {
  const std::string dataDir = KAVRIT_TESTS_DATADIR;
  EXPECT_EQ(getDataDir(), dataDir);
  ASSERT_FALSE(dataDir.empty());
  const std::string joiner = dataDir.back() == '/' ? "" : "/";
  EXPECT_EQ(getDataFileName("Test/KAT_AES"), dataDir + joiner + "Test/KAT_AES");
}

TEST_F(PathsTest, EachGetterReadsItsOwnVariable) {
  for (const Getter& g : allGetters()) setenv(g.variable, g.variable, 1);
  for (const Getter& g : allGetters()) EXPECT_EQ(g.get(), g.variable);

  // Values are taken as they are: empty, relative, or not existing.
  for (const char* value : {"", "relative/dir", "/no/such/place/"}) {
    setenv("kavrit_tests_sysconfdir", value, 1);
    EXPECT_EQ(getSysconfDir(), value);
  }
}

TEST_F(PathsTest, VariableIsReadOnEveryCall) {
  setDataDir("/first");
  EXPECT_EQ(getDataFileName("f"), "/first/f");
  setDataDir("/second");
  EXPECT_EQ(getDataFileName("f"), "/second/f");
  unsetenv("kavrit_tests_datadir");
  EXPECT_EQ(getDataDir(), KAVRIT_TESTS_DATADIR);
}

TEST_F(PathsTest, DataFileNameJoining) {
  setDataDir("/srv/vectors");
  EXPECT_EQ(getDataFileName("Test/KAT_AES"), "/srv/vectors/Test/KAT_AES");
  EXPECT_EQ(getDataFileName(""), "/srv/vectors");
  setDataDir("/srv/vectors/");
  EXPECT_EQ(getDataFileName("Test/KAT_AES"), "/srv/vectors/Test/KAT_AES");
  EXPECT_EQ(getDataFileName(""), "/srv/vectors/");
  setDataDir("rel");
  EXPECT_EQ(getDataFileName("x.rsp"), "rel/x.rsp");

  // An empty or "." directory leaves the name alone, including odd names.
  for (const char* dir : {"", "."}) {
    setDataDir(dir);
    EXPECT_EQ(getDataFileName("Test/KAT_AES"), "Test/KAT_AES");
    EXPECT_EQ(getDataFileName("/abs/name"), "/abs/name");
    EXPECT_EQ(getDataFileName(""), "");
  }
  // The name is never examined: a leading separator still gets joined.
  setDataDir("/d");
  EXPECT_EQ(getDataFileName("/x"), "/d//x");
  setDataDir("./");
  EXPECT_EQ(getDataFileName("x"), "./x");
}

TEST(PathsConstants, VersionAndSeparator) {
  EXPECT_EQ(version, (std::array<int, 2>{0, 3}));
  EXPECT_EQ(pathSeparator, '/');
}

}  // namespace
}  // namespace kavrit::test
