#!/usr/bin/env bash
# Renders every window of the editor on Qt's offscreen platform, in English into
# docs/screenshots/en/ and in Traditional Chinese into docs/screenshots/zh_TW/
# (or FOLDER/en and FOLDER/zh_TW), on a freshly made sample image.
# Installs what is missing (fonts-noto-cjk draws the Chinese) and builds first.
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
for language in en zh_TW; do
  mkdir -p "$OUT/$language"
  QT_QPA_PLATFORM=offscreen "$BUILD/bin/romtables_screenshots" "$WORK/sample.nds" "$OUT/$language" --language "$language"
done
echo "Screenshots written to $OUT/en and $OUT/zh_TW"
