#!/usr/bin/env bash
# The library as a user gets it, with one build of it:
# - the README's install command (a standalone configure with the extras off) picks an optimised
#   build type and looks for no package that only the extras need (tests/no_extras_dependencies.cmake
#   stops the configure at the first search for one);
# - a parent project that adds the library with add_subdirectory configures, builds and runs without
#   those packages, gets the extras off by default and no build type forced on it, and
#   `cmake --install` of that build installs the library;
# - examples/consumer builds against that prefix with nothing but find_package and runs with no
#   kavrit_tests_* variable set: the installed library must find its installed vector files.
set -euo pipefail
source_dir=$1
cxx=${2:-c++}
flags=${3:-}  # compiler flags (sanitizers)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The README's install command (its default build type included), with the guard: configured only,
# the build below is the parent's.
cmake -S "$source_dir" -B "$work/lib" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_INSTALL_PREFIX="$work/prefix" \
  -DKAVRIT_BUILD_EXAMPLES=OFF -DKAVRIT_BUILD_TESTS=OFF -DKAVRIT_BUILD_BENCH=OFF \
  -DCMAKE_PROJECT_INCLUDE_BEFORE="$source_dir/tests/no_extras_dependencies.cmake" >/dev/null
grep -q '^CMAKE_BUILD_TYPE:STRING=RelWithDebInfo$' "$work/lib/CMakeCache.txt" ||
  { echo "no optimised default build type"; exit 1; }

mkdir "$work/parent"
cat >"$work/parent/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(kavrit-parent LANGUAGES CXX)
include("$source_dir/tests/no_extras_dependencies.cmake")
add_subdirectory("$source_dir" kavrit)
foreach(option KAVRIT_BUILD_EXAMPLES KAVRIT_BUILD_TESTS KAVRIT_BUILD_BENCH)
  if(\${option})
    message(FATAL_ERROR "\${option} is on in a subproject")
  endif()
endforeach()
if(CMAKE_BUILD_TYPE)
  message(FATAL_ERROR "the subproject set the parent's build type to \${CMAKE_BUILD_TYPE}")
endif()
add_executable(parent main.cpp)
target_link_libraries(parent PRIVATE kavrit::gtest)
CMAKE

cat >"$work/parent/main.cpp" <<'CPP'
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/sha.hpp"

// FNV-1a, 64 bits: obeys the hash laws and needs no cryptographic library.
class Fnv {
 public:
  static long outputLength() { return 64; }
  static long blockLength() { return 8; }
  static Fnv hash(const kavrit::LazyByteString& message) {
    Fnv d;
    for (const kavrit::ByteString& chunk : message.chunks()) d.add(chunk);
    return d;
  }
  static Fnv hashStrict(const kavrit::ByteString& message) {
    Fnv d;
    d.add(message);
    return d;
  }
  kavrit::ByteString serialize() const {
    kavrit::ByteString out(8);
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(state_ >> (56 - 8 * i));
    return out;
  }
  static std::optional<Fnv> parse(const kavrit::ByteString& bytes) {
    if (bytes.size() < 8) return std::nullopt;
    Fnv d;
    d.state_ = 0;
    for (int i = 0; i < 8; ++i) d.state_ = d.state_ << 8 | bytes[i];
    return d;
  }
  friend bool operator==(const Fnv&, const Fnv&) = default;

 private:
  void add(const kavrit::ByteString& bytes) {
    for (const std::uint8_t b : bytes) state_ = (state_ ^ b) * 0x100000001b3;
  }
  std::uint64_t state_ = 0xcbf29ce484222325;
};

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  kavrit::gtest::registerTests("Fnv", kavrit::test::makeHashPropTests<Fnv>());
  // Built only to show that the vector files are found; a 64-bit digest fails them.
  kavrit::gtest::registerTests("Sha256Vectors", kavrit::test::makeSHA256Tests<Fnv>());
  return RUN_ALL_TESTS();
}
CPP

cmake -S "$work/parent" -B "$work/build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_INSTALL_PREFIX="$work/prefix" >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build" -j 2 >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log"; exit 1; }

# Only the library and the parent were configured and built.
for extra in examples tests bench tools; do
  [ ! -e "$work/build/kavrit/$extra" ] || { echo "the subproject configured $extra/"; exit 1; }
done

"$work/build/parent" --gtest_filter='Fnv*' --gtest_brief=1
vectors=$("$work/build/parent" --gtest_list_tests | grep -c '^  NistSHA256-' || true)
[ "$vectors" -eq 129 ] || { echo "expected the 129 SHA-256 vectors to be found, got $vectors"; exit 1; }

cmake --install "$work/build" >/dev/null
for f in include/kavrit/test/sha.hpp lib/libkavrit_tests.a lib/libkavrit_gtest.a \
  lib/cmake/kavrit-tests/kavrit-tests-config.cmake; do
  [ -e "$work/prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
ls "$work"/prefix/share/kavrit-tests-*/MANIFEST >/dev/null

# The consumer, against the installed prefix; it needs OpenSSL for its own adapters.
cmake -S "$source_dir/examples/consumer" -B "$work/consumer" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" -j 2 >/dev/null

# The source tree must play no part: run from elsewhere, with the variables cleared.
cd "$work"
out=$(env -u kavrit_tests_datadir -u kavrit_tests_bindir -u kavrit_tests_libdir \
  -u kavrit_tests_dynlibdir -u kavrit_tests_libexecdir -u kavrit_tests_sysconfdir \
  "$work/consumer/consumer" --gtest_brief=1 2>&1) || { echo "$out"; exit 1; }
echo "$out" | tail -n 3
# makeSHA256Suites: 129 SHA-256 vectors and five properties, 225 HMAC vectors, 100 Monte Carlo
# checkpoints, four chunking laws, four digest laws, three hash state laws and three long-message
# cases (the adapter brings no HMAC member: no oracle test), RFC 4231's 6 and RFC 5869's 3 cases
# with 4 HKDF laws, and Wycheproof's 174 HMAC, 86 HKDF and 60 PBKDF2 tests (1039), then
# makeChaCha20Poly1305Suites: BoringSSL's 66 and OpenSSL's 5 records, Wycheproof's 325 tests and
# the 14 AEAD laws (410), must have run, the vectors (the JSON files among them) read from the
# installed data.
echo "$out" | grep -q "1449 tests" || { echo "expected 1449 tests to run:"; echo "$out"; exit 1; }
# The pkg-config file resolves (with GoogleTest's own .pc from Debian).
PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --libs kavrit-tests >/dev/null
