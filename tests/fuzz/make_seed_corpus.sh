#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets from the committed vector files.
#   make_seed_corpus.sh <source dir> <corpus root>
set -euo pipefail
src=$1/data/Test
out=$2
mkdir -p "$out/parse_categories" "$out/hex" "$out/builders"

n=0
for f in "$src"/KAT_*/*; do
  # parse_categories: a key selector byte, a cut byte, then the first 8 KiB of the file.
  { printf '\x00\x80'; head -c 8192 "$f"; } >"$out/parse_categories/seed$n"
  n=$((n + 1))
done
grep -h -o -m 20 '= [0-9a-fA-F]\{2,64\}' "$src"/KAT_AES/ECB*128e.rsp | cut -c3- | head -n 40 |
  while read -r hex; do printf '%s' "$hex" >"$out/hex/$hex"; done

family=0
for dir in KAT_SHA KAT_HMAC KAT_AES KAT_TWOFISH KAT_AES_CTR KAT_SHA_MONTE KAT_SHA3 KAT_SHA3_MONTE; do
  index=0
  for f in $(ls "$src/$dir" | sort); do
    for pick in 0 1 2; do
      { printf "\\x$(printf %02x $family)\\x$(printf %02x $index)\\x$(printf %02x $pick)"
        head -c 6000 "$src/$dir/$f"; } >"$out/builders/$dir-$f-$pick"
    done
    index=$((index + 1))
  done
  family=$((family + 1))
done
