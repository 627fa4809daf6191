#!/usr/bin/env bash
# The demo must not report success on property tests alone: with a data directory whose vector
# directories are missing or empty it must fail and name them.
set -uo pipefail
demo=$1
empty=$(mktemp -d)
trap 'rm -rf "$empty"' EXIT
mkdir -p "$empty/Test/KAT_AES"

out=$(kavrit_tests_datadir="$empty" "$demo" 2>&1)
status=$?
fail() { echo "$1"; echo "$out" | head -n 40; exit 1; }
[ "$status" -ne 0 ] || fail "the demo passed without vector files"
grep -q "NOT ALL SUITES RAN" <<<"$out" || fail "no warning was printed"
grep -q "no usable known-answer vector in $empty/Test/KAT_AES" <<<"$out" ||
  fail "the empty AES directory was not named"
grep -q "could not be built ($empty/Test/KAT_SHA)" <<<"$out" ||
  fail "the missing SHA directory was not named"
echo "the demo refused to pass without vectors (exit $status)"
