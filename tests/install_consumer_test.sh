#!/usr/bin/env bash
# Installs the library into a temporary prefix, builds examples/consumer against it with nothing
# but find_package, and runs it with no kavrit_tests_* variable set: the installed library must
# find its installed vector files by itself. The library is configured with its extras off, as the
# README's install command does, and must then not look for OpenSSL, Nettle, Botan or Google
# Benchmark (tests/no_extras_dependencies.cmake); the consumer needs OpenSSL for its own adapter.
set -euo pipefail
source_dir=$1
cxx=${2:-c++}
flags=${3:-}  # compiler flags for both builds (sanitizers)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The README's install command (its default build type included), with the guard.
cmake -S "$source_dir" -B "$work/lib" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_INSTALL_PREFIX="$work/prefix" \
  -DKAVRIT_BUILD_EXAMPLES=OFF -DKAVRIT_BUILD_TESTS=OFF -DKAVRIT_BUILD_BENCH=OFF \
  -DCMAKE_PROJECT_INCLUDE_BEFORE="$source_dir/tests/no_extras_dependencies.cmake" >/dev/null
grep -q '^CMAKE_BUILD_TYPE:STRING=RelWithDebInfo$' "$work/lib/CMakeCache.txt" ||
  { echo "no optimised default build type"; exit 1; }
cmake --build "$work/lib" -j "$(nproc)" >/dev/null
cmake --install "$work/lib" >/dev/null

cmake -S "$source_dir/examples/consumer" -B "$work/consumer" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" -j "$(nproc)" >/dev/null

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
# The vector files are installed with their manifest.
ls "$work"/prefix/share/kavrit-tests-*/MANIFEST >/dev/null
# The pkg-config file resolves (with GoogleTest's own .pc from Debian).
PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --libs kavrit-tests >/dev/null
