#!/usr/bin/env bash
# Builds the libFuzzer targets with Clang (ASan + UBSan) and runs one of them for a set time.
#
#   tools/fuzz.sh <parse_categories|hex|builders> [seconds=600] [extra libFuzzer flags]
#
# The corpus grows in build-fuzz/corpus/<target> (seeded from data/ on first use); a crashing input
# is written to build-fuzz/findings/<target>/ and the run stops with libFuzzer's report. Replay one
# with: build-fuzz/tests/fuzz/<target>_fuzz <file>
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
target=${1:?usage: tools/fuzz.sh <parse_categories|hex|builders> [seconds] [libFuzzer flags]}
seconds=${2:-600}
shift $(($# < 2 ? $# : 2))

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DKAVRIT_BUILD_FUZZERS=ON -DKAVRIT_BUILD_TESTS=OFF -DKAVRIT_BUILD_BENCH=OFF \
  -DKAVRIT_BUILD_EXAMPLES=OFF >/dev/null
cmake --build build-fuzz --target "${target}_fuzz" -j "$(nproc 2>/dev/null || echo 2)"

corpus=build-fuzz/corpus
[ -d "$corpus/$target" ] || tests/fuzz/make_seed_corpus.sh "$root" "$corpus"
mkdir -p "build-fuzz/findings/$target"
exec "build-fuzz/tests/fuzz/${target}_fuzz" "$corpus/$target" -max_total_time="$seconds" \
  -max_len=16384 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="build-fuzz/findings/$target/" "$@"
