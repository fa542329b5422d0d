#!/usr/bin/env bash
# Builds a seed corpus from the sample tables: each input is two length bytes (the .MB
# part's size in 64-byte units), the .DB file, then its .MB file if any.
set -euo pipefail
samples=${1:?usage: make_corpus.sh SAMPLES_DIR OUT_DIR}
out=${2:?usage: make_corpus.sh SAMPLES_DIR OUT_DIR}
mkdir -p "$out"
find "$samples" -iname '*.db' -print0 | while IFS= read -r -d '' db; do
  base=${db%.*}
  mb=""
  for ext in mb MB; do [ -f "$base.$ext" ] && mb="$base.$ext"; done
  units=0
  [ -n "$mb" ] && units=$(( $(stat -c %s "$mb") / 64 ))
  name=$(echo "$db" | tr '/' '_')
  {
    printf "\\x$(printf %02x $((units >> 8 & 255)))\\x$(printf %02x $((units & 255)))"
    cat "$db"
    [ -n "$mb" ] && cat "$mb"
  } > "$out/$name"
done
echo "corpus in $out"
