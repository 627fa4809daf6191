#!/usr/bin/env bash
# One entry point for the quick start and CI. Installs the Debian packages the build needs (only
# those missing), configures, builds and runs.
#
#   tools/run.sh demo [demo flags]   every suite against the example implementations, with a summary
#   tools/run.sh test                the library's own tests: GCC, then Clang with ASan and UBSan
#                                    (warnings are errors in both)
#   tools/run.sh bench [flags]       the benchmarks, then the compile-cost benchmark
#   tools/run.sh bench-compile [N..] the compile-cost benchmark alone (bench/compile_cost.sh)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

packages=(cmake make g++ clang pkg-config python3 libgtest-dev librapidcheck-dev libssl-dev
          nettle-dev libbenchmark-dev libbotan-2-dev libclang-rt-14-dev nlohmann-json3-dev)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

jobs=$(nproc 2>/dev/null || echo 2)

configure() { # configure <dir> <c++ compiler> [cmake args...]
  local dir=$1 cxx=$2
  shift 2
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
    -DKAVRIT_WERROR=ON "$@" >/dev/null
}

build() { # build <dir> <c++ compiler> [cmake args...]
  configure "$@"
  cmake --build "$1" -j "$jobs"
}

cmd=${1:-}
shift || true
case "$cmd" in
  demo)
    install_packages
    # The demo alone: the library's tests, the benchmarks and the tools are not built for it.
    configure build g++
    cmake --build build -j "$jobs" --target kavrit-tests-demo >/dev/null
    exec build/examples/kavrit-tests-demo "$@"
    ;;
  test)
    install_packages
    build build g++
    # The tests work in their own scratch directories, so they can share the cores.
    (cd build && ctest --output-on-failure -j "$jobs" "$@")
    # Clang must build the library, its tests, the examples and the demo warning-free too; that
    # build is instrumented with AddressSanitizer and UndefinedBehaviorSanitizer, and the whole
    # suite and the demo run again under them. The benchmarks, which no test runs, are GCC's alone.
    build build-clang clang++ -DKAVRIT_SANITIZE=ON -DKAVRIT_BUILD_BENCH=OFF
    (cd build-clang &&
      ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j "$jobs" "$@")
    ;;
  bench)
    install_packages
    build build g++ >/dev/null
    build/bench/kavrit-tests-bench "$@"
    build/bench/kavrit-bench-fresh-process build/bench/kavrit-bench-fresh-aes128
    exec bench/compile_cost.sh build
    ;;
  bench-compile)
    install_packages
    # The consumer files link the libraries alone.
    configure build g++
    cmake --build build -j "$jobs" --target kavrit_gtest >/dev/null
    exec bench/compile_cost.sh build "$@"
    ;;
  *)
    echo "usage: $0 demo|test|bench|bench-compile [args]" >&2
    exit 2
    ;;
esac
