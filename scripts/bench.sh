#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks (Release) into build-bench/
# (or $ROMTABLES_BENCH_DIR) and runs them:
#  1. romtables_bench (Google Benchmark, Qt offscreen): every table's record read
#     and save through the codec, each timed in the same iterations as the bare
#     file access it needs (ratio codec/floor); the forms opened, the main menu,
#     the name lists;
#  2. romtables_export_bench: `romtables-cli export` of every table on the
#     sample image and on a 512 MiB sparse image, with peak memory;
#  3. romtables_patch_bench: `patch`, `apply` and `diff` on sparse images of
#     16 to 256 MiB, and `export --all`, with peak memory.
# Arguments are passed to romtables_bench (e.g. --benchmark_filter=codec_read).
# BENCH_REPETITIONS (default 5) and BENCH_MIN_TIME (seconds, default 0.2) set
# how long each figure is measured; the figures are medians of the repetitions.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${ROMTABLES_BENCH_DIR:-$ROOT/build-bench}"
REPS="${BENCH_REPETITIONS:-5}"
MIN_TIME="${BENCH_MIN_TIME:-0.2}"

"$ROOT/scripts/deps.sh"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRT_BUILD_BENCH=ON -DRT_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target romtables_bench romtables_export_bench romtables_patch_bench

echo
echo "== Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "== Tree: $(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)$(
  [ -n "$(git -C "$ROOT" status --porcelain 2>/dev/null)" ] && echo ' plus uncommitted changes')"
echo "== Temporary files: ${TMPDIR:-/tmp} ($(df -PT "${TMPDIR:-/tmp}" | awk 'NR==2{print $2}'))"

LOG="$BUILD/bench_output.txt"
echo
echo "== romtables_bench: ${REPS} repetitions of ${MIN_TIME} s each, interleaved; full output in $LOG"
status=0
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$BUILD/bin/romtables_bench" \
  --benchmark_repetitions="$REPS" --benchmark_min_time="$MIN_TIME" \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
  --benchmark_out="$BUILD/bench_results.json" --benchmark_out_format=json "$@" >"$LOG" 2>&1 || status=$?
grep -E "left out" "$LOG" || true
if grep -q '^Codec / floor' "$LOG"; then
  sed -n '/^Codec \/ floor/,$p' "$LOG"
else
  tail -n 40 "$LOG"
fi
if [ "$status" -ne 0 ]; then
  echo "romtables_bench failed (exit $status)" >&2
  exit "$status"
fi

echo
echo "== romtables-cli export"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
"$BUILD/bin/romtables_export_bench" --cli "$BUILD/bin/romtables-cli" --work "$WORK" --runs 3 --size-mib 512

echo
echo "== romtables-cli patch, apply, diff on sparse images; export --all"
"$BUILD/bin/romtables_patch_bench" --cli "$BUILD/bin/romtables-cli" --work "$WORK" --runs 3
