#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/deps.sh"
"$ROOT/scripts/build.sh"
exec "${ROMTABLES_BUILD_DIR:-$ROOT/build}/bin/romtables" "$@"
