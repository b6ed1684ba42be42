#!/usr/bin/env bash
# Builds the archive fuzzer in its own build tree with clang and runs it for
# a few seconds, seeded with writer output. Without clang it says so and ends.
# Usage: run_fuzz.sh [seconds] (default 10); ZAV_TOOL: the zav tool for seeds.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
seconds=${1:-10}
if ! command -v clang++ >/dev/null 2>&1; then
  echo "archive fuzzer: skipped (clang++ not installed)"
  exit 0
fi
out=$root/build/fuzz
mkdir -p "$out/corpus" "$out/seed_tree/lists/deeper"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/engine" -I"$root/include" \
  "$root/tools/zav/fuzz/archive_fuzzer.cpp" \
  "$root/engine/files/key_coding.cpp" "$root/engine/files/lz_decoder.cpp" \
  "$root/engine/files/archive_image.cpp" "$root/engine/files/archive_lookup.cpp" \
  "$root/engine/core/string_helpers.cpp" \
  -o "$out/archive_fuzzer"

zav=${ZAV_TOOL:-$root/build/debug/tools/zav/zav}
if [[ -x $zav ]]; then
  printf 'a list\r\nof lines\r\n' >"$out/seed_tree/lists/a.list"
  head -c 600 /dev/zero | tr '\0' 'x' >"$out/seed_tree/lists/deeper/run.png"
  : >"$out/seed_tree/empty"
  for v in 0 1 2 3 4 5; do
    "$zav" pack "$out/seed_tree" "$out/seed$v.zav" --version "$v" --key qorvintabelux
    { printf '\0'; cat "$out/seed$v.zav"; } >"$out/corpus/archive_v$v"
  done
fi
printf '\1\3\0\0\0\14\0\0\0\377abc' >"$out/corpus/lz_literals"
ASAN_OPTIONS=detect_leaks=1 "$out/archive_fuzzer" -max_total_time="$seconds" -max_len=8192 \
  -print_final_stats=0 "$out/corpus" 2>&1 | tail -3
echo "archive fuzzer: ran ${seconds}s without a finding"
