#!/usr/bin/env bash
# Collects every text of the interface into translations/*.ts with lupdate
# (the editor's widgets and forms, the captions the tables declare, the
# editor's start) and says how many have no translation yet.
#   scripts/translations.sh           update the .ts files in the source tree
#   scripts/translations.sh --check   update copies only; fails while a text has no translation
# Translations are filled in with Qt Linguist (linguist) or by editing the .ts files.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LUPDATE="${LUPDATE:-}"
if [ -z "$LUPDATE" ]; then
  for c in /usr/lib/qt6/bin/lupdate "$(command -v lupdate6 || true)" "$(command -v lupdate || true)"; do
    if [ -n "$c" ] && [ -x "$c" ]; then LUPDATE="$c"; break; fi
  done
fi
[ -n "$LUPDATE" ] || { echo "lupdate not found: run scripts/deps.sh" >&2; exit 2; }
SOURCES=("$ROOT/ui" "$ROOT/editors" "$ROOT/model" "$ROOT/app/main.cpp")
TS=("$ROOT"/translations/romtables_*.ts)
if [ "${1:-}" = "--check" ]; then
  WORK="$(mktemp -d)"
  trap 'rm -rf "$WORK"' EXIT
  cp "${TS[@]}" "$WORK/"
  TS=("$WORK"/romtables_*.ts)
fi
"$LUPDATE" -silent -locations none -no-obsolete -I "$ROOT" "${SOURCES[@]}" -ts "${TS[@]}"
missing=0
for ts in "${TS[@]}"; do
  n=$(grep -c 'type="unfinished"' "$ts" || true)
  total=$(grep -c '<source>' "$ts" || true)
  echo "$(basename "$ts"): $total texts, $n without a translation"
  if [ "$n" -gt 0 ]; then
    grep -B2 'type="unfinished"' "$ts" | grep '<source>' | sed 's/^ */  /' | head -20
    missing=$((missing + n))
  fi
done
[ "$missing" -eq 0 ]
