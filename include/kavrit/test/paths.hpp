#pragma once

/// @file
/// Where the installed files are, with an environment variable to override each location.

#include <array>
#include <string>
#include <string_view>

namespace kavrit::test {

/// Install locations of the library. Each getter checks its environment
/// variable on every call (kavrit_tests_bindir, kavrit_tests_libdir,
/// kavrit_tests_dynlibdir, kavrit_tests_datadir, kavrit_tests_libexecdir,
/// kavrit_tests_sysconfdir); a set variable wins as it is, even when empty or
/// relative. Otherwise the location chosen at build time is returned.
std::string getBinDir();
std::string getLibDir();
std::string getDynLibDir();
std::string getDataDir();
std::string getLibexecDir();
std::string getSysconfDir();

/// Full name of a file below the data directory. An empty or "." data
/// directory leaves `name` as it is; an empty `name` gives the directory.
std::string getDataFileName(std::string_view name);

/// The library version, 0.3.
inline constexpr std::array<int, 2> version{0, 3};
/// The separator that getDataFileName joins with.
inline constexpr char pathSeparator = '/';

}  // namespace kavrit::test
