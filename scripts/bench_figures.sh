#!/usr/bin/env bash
# Every whole-image figure beside its floor, in one run:
#  - whole-process commands against the least a program must do for the same
#    bytes (export --all and cat, import and export --all, diff and cmp, apply
#    and a copy flushed to the disk), interleaved, medians of FIG_RUNS runs
#    (default 15), on the sample image and a 256 MiB variant of it;
#  - the opens of the image an import makes (strace);
#  - the journaled saves and the table view's save (romtables_bench, paired
#    with their floors), as the machine is, then with load added (two busy
#    processes and a writer flushing to the same disk).
# Builds build-bench/ (Release, -DRT_BUILD_BENCH=ON) first. Prints the load
# average before and after each part. FIG_BASE_CLI=PATH adds rows timing
# another build of romtables-cli (an older tree, say) on the same commands.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${ROMTABLES_BENCH_DIR:-$ROOT/build-bench}"
RUNS="${FIG_RUNS:-15}"
BIG_RUNS="${FIG_BIG_RUNS:-5}"

"$ROOT/scripts/deps.sh" >/dev/null
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRT_BUILD_BENCH=ON -DRT_BUILD_TESTS=OFF \
  "${launcher[@]}" >/dev/null
cmake --build "$BUILD" --target romtables-cli make_sample_rom romtables_bench >/dev/null

BIN="$BUILD/bin"
CLI="$BIN/romtables-cli"
WORK="$(mktemp -d)"
LOADERS=()
cleanup() {
  for pid in "${LOADERS[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT
load() { echo "load average $(cut -d' ' -f1-3 /proc/loadavg)"; }

echo "== $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), tree $(git -C "$ROOT" rev-parse --short HEAD)$(
  [ -n "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ] && echo ' plus uncommitted changes'),"\
" temporary files in $WORK ($(df -PT "$WORK" | awk 'NR==2{print $2}'))"

# The images: the sample (10 MiB), a copy with 1,000 scattered changed bytes,
# and both grown to 256 MiB (zeros after the sample's bytes).
"$BIN/make_sample_rom" "$WORK/a.nds" >/dev/null
python3 - "$WORK" <<'PY'
import random, shutil, sys
work = sys.argv[1]
data = bytearray(open(f"{work}/a.nds", "rb").read())
rng = random.Random(27)
for at in rng.sample(range(len(data)), 1000):
    data[at] ^= rng.randrange(1, 256)
open(f"{work}/b.nds", "wb").write(data)
for name in ("a", "b"):
    shutil.copyfile(f"{work}/{name}.nds", f"{work}/{name}256.nds")
    with open(f"{work}/{name}256.nds", "r+b") as f:
        f.truncate(256 << 20)
PY
"$CLI" patch "$WORK/a.nds" "$WORK/b.nds" --output "$WORK/p.bps" >/dev/null
"$CLI" patch "$WORK/a256.nds" "$WORK/b256.nds" --output "$WORK/p256.bps" >/dev/null
cp "$WORK/a.nds" "$WORK/imp.nds"
cp "$WORK/a.nds" "$WORK/a2.nds"  # "two identical images": GNU cmp answers a file with itself without reading it
"$CLI" export "$WORK/a.nds" --all --output "$WORK/dump" >/dev/null
"$CLI" import "$WORK/imp.nds" "$WORK/dump" >/dev/null  # the history is made once, as for any later import
cat "$WORK/a256.nds" "$WORK/b256.nds" "$WORK/a.nds" "$WORK/a2.nds" "$WORK/b.nds" >/dev/null  # all in the page cache

W="$WORK"
{
  printf 'export --all (10 MiB)\t3\t%s\t%s\n' "$CLI export $W/a.nds --all --output $W/out" "cat $W/a.nds > /dev/null"
  printf 'export --all (256 MiB)\t3\t%s\t%s\n' "$CLI export $W/a256.nds --all --output $W/out256" \
    "cat $W/a256.nds > /dev/null"
  printf 'import of the unchanged dump\t2\t%s\t%s\n' "$CLI import $W/imp.nds $W/dump" \
    "$CLI export $W/a.nds --all --output $W/out"
  printf 'diff A A (a copy)\t1.5\t%s\t%s\n' "$CLI diff $W/a.nds $W/a2.nds" "cmp $W/a.nds $W/a2.nds"
  # Both lists go to a file: GNU cmp with its output on /dev/null stops at the first difference.
  printf 'diff A B (1,000 changes)\t2\t%s\t%s\tdiffer-ok\n' "$CLI diff $W/a.nds $W/b.nds > $W/diff.txt" \
    "cmp -l $W/a.nds $W/b.nds > $W/cmp.txt"
  printf 'apply P.bps (10 MiB)\t1.5\t%s\t%s\n' "$CLI apply $W/p.bps $W/a.nds --output $W/applied.nds" \
    "dd if=$W/a.nds of=$W/copy.nds bs=1M conv=fsync status=none"
} >"$WORK/pairs.tsv"
if [ -n "${FIG_BASE_CLI:-}" ]; then
  # The same pairs with the other build, each row marked "(base)".
  awk -F'\t' -v cli="$CLI" -v base="$FIG_BASE_CLI" 'BEGIN{OFS="\t"} {
      $1 = $1 " (base)"; gsub(cli, base, $3); gsub(cli, base, $4); print }' "$WORK/pairs.tsv" >"$WORK/base.tsv"
  cat "$WORK/base.tsv" >>"$WORK/pairs.tsv"
fi
{
  printf 'apply P.bps (256 MiB)\t1.5\t%s\t%s\n' "$CLI apply $W/p256.bps $W/a256.nds --output $W/applied.nds" \
    "dd if=$W/a256.nds of=$W/copy.nds bs=1M conv=fsync status=none"
} >"$WORK/pairs_big.tsv"

echo
echo "== Whole process, medians of $RUNS interleaved runs (256 MiB apply: $BIG_RUNS); $(load)"
python3 "$ROOT/scripts/bench_pairs.py" "$RUNS" "$WORK/pairs.tsv"
python3 "$ROOT/scripts/bench_pairs.py" "$BIG_RUNS" "$WORK/pairs_big.tsv"
echo "   ($(load))"

echo
if command -v strace >/dev/null; then
  strace -f -e trace=open,openat -o "$WORK/import.trace" "$CLI" import "$WORK/imp.nds" "$WORK/dump" >/dev/null
  strace -f -c -o "$WORK/import.count" "$CLI" import "$WORK/imp.nds" "$WORK/dump" >/dev/null
  echo "== import of the unchanged dump: $(grep -c "imp\.nds\"" "$WORK/import.trace") opens of the image (limit 4);" \
    "system calls: $(awk '$NF ~ /^(openat|statx|pread64|close)$/ {printf "%s %s, ", $NF, $4}' "$WORK/import.count")"
else
  echo "== strace is missing: the opens of the image were not counted"
fi

saves() {
  QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$BIN/romtables_bench" \
    --benchmark_filter='journal_save/|grid_save/' --benchmark_repetitions=5 --benchmark_min_time=0.1 \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true >"$WORK/saves.txt" 2>&1
  awk '/^Saves that change their record/{on=1} on && /^$/{on=0} on && !/^Table view/' "$WORK/saves.txt"
  grep '^Table view: Save' "$WORK/saves.txt" || true
}
echo
echo "== Saves with their history, as the machine is: $(load)"
saves
# Load of our own: two busy processes, and a writer flushing to the same disk.
for _ in 1 2; do (while :; do :; done) & LOADERS+=($!); done
(while :; do dd if=/dev/zero of="$WORK/load.bin" bs=1M count=8 conv=fsync status=none; done) & LOADERS+=($!)
sleep 2
echo
echo "== Saves with their history, loaded (two busy processes and a flushing writer added): $(load)"
saves
for pid in "${LOADERS[@]}"; do kill "$pid" 2>/dev/null || true; done
LOADERS=()
echo "   ($(load))"
