#!/usr/bin/env bash
# Runs tests/filter_check_main.cpp's program under filters: one that selects none of its kavrit
# tests fails the run and says how to write it (a name copied with its dash, a filter that selects
# nothing at all); the corrected filter, a filter of the program's own tests and a sharded run pass.
set -uo pipefail
program=$1
failures=0

# expect <exit status: 0 or nonzero> <text the output must hold, or ""> <args...>
expect() {
  local want=$1 text=$2
  shift 2
  local output status
  output=$("$program" "$@" 2>&1)
  status=$?
  if [ "$want" = 0 ] && [ "$status" -ne 0 ]; then
    echo "FAIL: $* exited with $status, expected 0:"; echo "$output"; failures=$((failures + 1))
  elif [ "$want" != 0 ] && [ "$status" -eq 0 ]; then
    echo "FAIL: $* exited with 0, expected a failure:"; echo "$output"; failures=$((failures + 1))
  elif [ -n "$text" ] && ! grep -qF -- "$text" <<<"$output"; then
    echo "FAIL: $* does not print \"$text\":"; echo "$output"; failures=$((failures + 1))
  fi
}

# A test name copied as it is: GoogleTest reads "-0" as "leave out the tests named 0".
dashed=--gtest_filter=AES128.OFBMMT128d.rsp-0
expect 1 'selects none of the 3 registered kavrit tests' "$dashed"
expect 1 "GoogleTest reads the first '-' of a filter as the start of the patterns" "$dashed"
expect 1 "--gtest_filter='AES128.OFBMMT128d.rsp?0'" "$dashed"
expect 1 'then the filter selects 1 of them' "$dashed"
# ... and the same when another pattern before it selects a test of the program's own.
expect 1 "--gtest_filter='Own.passes:AES128.OFBMMT128d.rsp?1'" \
  --gtest_filter=Own.passes:AES128.OFBMMT128d.rsp-1
# A filter that selects nothing at all.
expect 1 'selects none of the 3 registered kavrit tests (and no other test either)' \
  '--gtest_filter=Nothing*'
expect 1 'such as "AES128.OFBMMT128d.rsp-0"' '--gtest_filter=Nothing*'

# What passes: the written-out filter, '*' and '?' patterns, the default, the program's own tests
# (a negative pattern included), every kavrit test left out by a leading '-', a sharded run.
expect 0 '[  PASSED  ] 1 test.' "--gtest_filter=AES128.OFBMMT128d.rsp?0"
expect 0 '[  PASSED  ] 2 tests.' '--gtest_filter=AES128.OFBMMT128d.rsp?*'
expect 0 '[  PASSED  ] 1 test.' '--gtest_filter=AES128/Laws.*'
expect 0 '[  PASSED  ] 5 tests.'
expect 0 '[  PASSED  ] 5 tests.' '--gtest_filter=*'
expect 0 '[  PASSED  ] 2 tests.' '--gtest_filter=Own.*'
expect 0 '[  PASSED  ] 1 test.' '--gtest_filter=Own.*-Own.second'
expect 0 '[  PASSED  ] 2 tests.' '--gtest_filter=-AES128*'
export GTEST_TOTAL_SHARDS=2 GTEST_SHARD_INDEX=0
expect 0 '' "$dashed"

if [ "$failures" -ne 0 ]; then
  echo "$failures filter checks failed"
  exit 1
fi
echo "filter checks passed"
