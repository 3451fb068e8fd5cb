#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer (into build-fuzz-clang/, or $ROMTABLES_FUZZ_BUILD_DIR)
# and runs them.
#
#   scripts/fuzz.sh TARGET SECONDS   one target: fuzz_conversions, fuzz_name_list,
#                                    fuzz_record_codec, fuzz_import, fuzz_patch,
#                                    fuzz_history, fuzz_import_folder (the fuzz_ may be left out)
#   scripts/fuzz.sh all SECONDS      every target for SECONDS each, one after another;
#                                    FUZZ_PARALLEL=2 runs two at a time
#
# Each target starts from its seeds in fuzz/corpus/<target>/ and keeps what it
# finds in <build>/fuzz-corpus/<target>/; a failing input is written to
# <build>/fuzz-artifacts/<target>/ and the script exits non-zero. Extra
# libFuzzer options can be given in FUZZ_ARGS.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${ROMTABLES_FUZZ_BUILD_DIR:-$ROOT/build-fuzz-clang}"
ALL_TARGETS=(fuzz_conversions fuzz_name_list fuzz_record_codec fuzz_import fuzz_patch fuzz_history fuzz_import_folder)

usage() {
  echo "usage: $0 TARGET|all SECONDS" >&2
  echo "targets: ${ALL_TARGETS[*]}" >&2
  exit 2
}
[ $# -eq 2 ] || usage
[[ "$2" =~ ^[0-9]+$ ]] || usage
SECONDS_EACH="$2"
if [ "$1" = all ]; then
  TARGETS=("${ALL_TARGETS[@]}")
else
  name="$1"
  [[ "$name" == fuzz_* ]] || name="fuzz_$name"
  found=0
  for t in "${ALL_TARGETS[@]}"; do [ "$t" = "$name" ] && found=1; done
  [ $found -eq 1 ] || usage
  TARGETS=("$name")
fi

# The project's own packages, and clang with its sanitizer and libFuzzer runtimes.
"$ROOT/scripts/deps.sh" clang libclang-rt-14-dev

# Instrumentation everywhere; libFuzzer's main only in the fuzz executables
# (their CMake adds -fsanitize=fuzzer when RT_FUZZ_LIBFUZZER is on).
# Two runs started side by side configure and build one after the other.
mkdir -p "$BUILD"
exec 9>"$BUILD/.fuzz-build.lock"
flock 9
SANITIZE="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -gline-tables-only"
CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$SANITIZE" \
  -DRT_BUILD_TESTS=OFF -DRT_BUILD_FUZZ_REGRESSION=OFF -DRT_FUZZ_LIBFUZZER=ON >/dev/null
cmake --build "$BUILD" --target "${TARGETS[@]}"
flock -u 9

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

run_one() {
  local t="$1"
  local work="$BUILD/fuzz-corpus/$t" artifacts="$BUILD/fuzz-artifacts/$t" logs="$BUILD/fuzz-logs"
  mkdir -p "$work" "$artifacts" "$logs"
  local args=(-max_total_time="$SECONDS_EACH" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1
              -artifact_prefix="$artifacts/")
  if [ -f "$ROOT/fuzz/dict/$t.dict" ]; then args+=(-dict="$ROOT/fuzz/dict/$t.dict"); fi
  # shellcheck disable=SC2086
  "$BUILD/fuzz/$t" "${args[@]}" ${FUZZ_ARGS:-} "$work" "$ROOT/fuzz/corpus/$t" >"$logs/$t.log" 2>&1
}

status=0
report() {
  local t="$1" rc="$2"
  local log="$BUILD/fuzz-logs/$t.log"
  local runs
  runs="$(grep -Eo 'stat::number_of_executed_units: [0-9]+' "$log" | awk '{print $2}' | tail -1)"
  if [ "$rc" -eq 0 ]; then
    echo "$t: ${SECONDS_EACH}s, ${runs:-?} runs, no failure (log: $log)"
  else
    echo "$t: FAILED (exit $rc); log: $log; inputs: $BUILD/fuzz-artifacts/$t/"
    grep -E 'ERROR: |check failed|runtime error' "$log" | head -5 || true
    status=1
  fi
}

parallel="${FUZZ_PARALLEL:-1}"
i=0
while [ $i -lt ${#TARGETS[@]} ]; do
  batch=("${TARGETS[@]:$i:$parallel}")
  pids=()
  for t in "${batch[@]}"; do
    run_one "$t" &
    pids+=($!)
  done
  for k in "${!batch[@]}"; do
    rc=0
    wait "${pids[$k]}" || rc=$?
    report "${batch[$k]}" "$rc"
  done
  i=$((i + parallel))
done
exit $status
