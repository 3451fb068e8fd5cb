#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (GUI tests on Qt's
# offscreen platform, set by the test definitions).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${ROMTABLES_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/deps.sh"
"$ROOT/scripts/build.sh"
cd "$BUILD"
ctest --output-on-failure -j "$(nproc)"
