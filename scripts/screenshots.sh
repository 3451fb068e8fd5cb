#!/usr/bin/env bash
# Renders every window of the editor on Qt's offscreen platform into
# docs/screenshots/ (or the folder given), on a freshly made sample image.
# Installs what is missing and builds first.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${ROMTABLES_BUILD_DIR:-$ROOT/build}"
OUT="$(realpath -m "${1:-$ROOT/docs/screenshots}")"
"$ROOT/scripts/deps.sh"
"$ROOT/scripts/build.sh"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
# A new sample: build/bin/sample.nds may hold a user's edits.
"$BUILD/bin/make_sample_rom" "$WORK/sample.nds"
mkdir -p "$OUT"
QT_QPA_PLATFORM=offscreen "$BUILD/bin/romtables_screenshots" "$WORK/sample.nds" "$OUT"
echo "Screenshots written to $OUT"
