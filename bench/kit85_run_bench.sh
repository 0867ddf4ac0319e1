#!/usr/bin/env bash
# Times kit85-run as a whole process on each benchmark program, with a memory
# file (writes batched as in the window), and prints instructions per second.
# Usage: bench/kit85_run_bench.sh [BUILD_FOLDER]   (default build/release)
set -euo pipefail
build="${1:-build/release}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/bench/workload_hex" "$work" > "$work/list"
while IFS=$'\t' read -r hex name; do
  mem="$work/memory.sqlite"
  rm -f "$mem" "$mem-wal" "$mem-shm"
  "$build/kit85-run" --memory "$mem" --steps 0 >/dev/null   # create the file outside the timing
  start=$(date +%s.%N)
  out=$("$build/kit85-run" --memory "$mem" --load "$hex" --at 8000 --json)
  end=$(date +%s.%N)
  steps=$(printf '%s' "$out" | sed -n 's/.*"steps":\([0-9]*\).*/\1/p')
  stop=$(printf '%s' "$out" | sed -n 's/.*"stop":"\([a-z-]*\)".*/\1/p')
  awk -v n="$name" -v s="$steps" -v a="$start" -v b="$end" -v stop="$stop" \
    'BEGIN { t = b - a; printf "%-26s %-5s %11d instructions %7.3f s %8.1f M instructions/s\n", n, stop, s, t, s / t / 1e6 }'
done < "$work/list"
