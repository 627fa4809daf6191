#!/usr/bin/env bash
# Every public header of the library compiles on its own, and none under kavrit/test/ or
# kavrit/gtest/ (nor the umbrella kavrit/test.hpp) brings in RapidCheck or GoogleTest: a user's
# test file pays for those only where it includes kavrit/rapidcheck/ or gtest itself.
#   tests/public_headers_test.sh <source dir> <c++ compiler>
set -euo pipefail
source_dir=$1
cxx=${2:-c++}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
cd "$source_dir/include"
for header in kavrit/*.hpp kavrit/test.hpp kavrit/test/*.hpp kavrit/gtest/*.hpp kavrit/rapidcheck/*.hpp; do
  printf '#include "%s"\n' "$header" >"$work/one.cpp"
  if ! out=$("$cxx" -std=c++20 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I. "$work/one.cpp" 2>&1); then
    echo "FAIL $header does not compile on its own:"
    echo "$out" | head -10
    failures=$((failures + 1))
    continue
  fi
  case $header in
    kavrit/rapidcheck/*) continue ;;
  esac
  # The files the preprocessor entered, from its line markers (kavrit's own gtest and rapidcheck
  # folders aside).
  entered=$("$cxx" -std=c++20 -E -I. "$work/one.cpp" | grep -E '^# [0-9]+ "' | grep -v 'kavrit/' || true)
  if grep -E '"[^"]*(rapidcheck|gtest)[^"]*"' <<<"$entered" >/dev/null; then
    echo "FAIL $header includes RapidCheck or GoogleTest"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] || exit 1
echo "public headers: each compiles alone; none of kavrit/test or kavrit/gtest includes RapidCheck or GoogleTest"
