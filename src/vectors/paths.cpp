#include "kavrit/test/paths.hpp"

#include <cstdlib>
#include <string>
#include <string_view>

// The build passes the default locations in as string literals.
#if !defined(KAVRIT_TESTS_BINDIR)
#error "KAVRIT_TESTS_BINDIR must be defined when compiling paths.cpp"
#endif
#if !defined(KAVRIT_TESTS_LIBDIR)
#error "KAVRIT_TESTS_LIBDIR must be defined when compiling paths.cpp"
#endif
#if !defined(KAVRIT_TESTS_DYNLIBDIR)
#error "KAVRIT_TESTS_DYNLIBDIR must be defined when compiling paths.cpp"
#endif
#if !defined(KAVRIT_TESTS_DATADIR)
#error "KAVRIT_TESTS_DATADIR must be defined when compiling paths.cpp"
#endif
#if !defined(KAVRIT_TESTS_LIBEXECDIR)
#error "KAVRIT_TESTS_LIBEXECDIR must be defined when compiling paths.cpp"
#endif
#if !defined(KAVRIT_TESTS_SYSCONFDIR)
#error "KAVRIT_TESTS_SYSCONFDIR must be defined when compiling paths.cpp"
#endif

namespace kavrit::test {
namespace {

std::string fromEnvironment(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  return value != nullptr ? std::string(value) : std::string(fallback);
}

}  // namespace

std::string getBinDir() { return fromEnvironment("kavrit_tests_bindir", KAVRIT_TESTS_BINDIR); }

std::string getLibDir() { return fromEnvironment("kavrit_tests_libdir", KAVRIT_TESTS_LIBDIR); }

std::string getDynLibDir() {
  return fromEnvironment("kavrit_tests_dynlibdir", KAVRIT_TESTS_DYNLIBDIR);
}

std::string getDataDir() { return fromEnvironment("kavrit_tests_datadir", KAVRIT_TESTS_DATADIR); }

std::string getLibexecDir() {
  return fromEnvironment("kavrit_tests_libexecdir", KAVRIT_TESTS_LIBEXECDIR);
}

std::string getSysconfDir() {
  return fromEnvironment("kavrit_tests_sysconfdir", KAVRIT_TESTS_SYSCONFDIR);
}

std::string getDataFileName(std::string_view name) {
  std::string dir = getDataDir();
  if (dir.empty() || dir == ".") return std::string(name);
  if (name.empty()) return dir;
  if (dir.back() != pathSeparator) dir.push_back(pathSeparator);
  dir.append(name);
  return dir;
}

}  // namespace kavrit::test
