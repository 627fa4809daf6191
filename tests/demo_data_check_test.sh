#!/usr/bin/env bash
# The demo must refuse to pass, naming the file, when a vector file is deleted or truncated.
#   demo_data_check_test.sh <demo binary> <data directory>
set -euo pipefail
demo=$1
data=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

expect_refusal() { # expect_refusal <relative path of the damaged file>
  local out
  # The data is checked before any suite is built or run, and a problem alone fails the run: no
  # test needs to run for that (the filter matches none), which spares minutes under the sanitizers.
  # As one shard of one the run keeps the bridge from failing it for a filter that selects nothing.
  if out=$(kavrit_tests_datadir="$scratch" GTEST_TOTAL_SHARDS=1 GTEST_SHARD_INDEX=0 \
    "$demo" --gtest_filter=NoTestIsNamedThis 2>&1); then
    echo "FAIL: the demo passed with $1 damaged"
    exit 1
  fi
  if ! grep -qF "VECTOR DATA: $scratch/$1: " <<<"$out"; then
    echo "FAIL: the demo's output does not name $1:"
    echo "$out"
    exit 1
  fi
  cp "$data/$1" "$scratch/$1"
}

cp -r "$data/." "$scratch/"
rm "$scratch/Test/KAT_SHA_MONTE/SHA512Monte.rsp"
expect_refusal Test/KAT_SHA_MONTE/SHA512Monte.rsp
truncate -s 100 "$scratch/Test/KAT_AES_CTR/CTRRFC3686-256e.rsp"
expect_refusal Test/KAT_AES_CTR/CTRRFC3686-256e.rsp
echo "demo refuses damaged vector data: 2 passed, 0 failed"
