#!/usr/bin/env bash
# Makes the Debian package from the build, unpacks it into a temporary root and
# runs the installed command line from there: it must find the installed name
# lists (nothing beside the program, an empty home) and read the sample image.
set -euo pipefail
BUILD="$1"
SAMPLE="$2"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$BUILD"
cpack -G DEB -B "$WORK/package" >"$WORK/cpack.log" 2>&1 || { cat "$WORK/cpack.log"; exit 1; }
DEB="$(ls "$WORK"/package/*.deb)"
dpkg-deb --info "$DEB" | grep -E "Package: romtables|Depends:"
dpkg-deb -x "$DEB" "$WORK/root"
for f in usr/bin/romtables usr/bin/romtables-cli usr/share/applications/romtables.desktop \
         usr/share/icons/hicolor/scalable/apps/romtables.svg usr/share/romtables/names/Pilots.txt \
         usr/share/romtables/translations/romtables_en.qm usr/share/romtables/translations/romtables_zh_TW.qm; do
  [ -e "$WORK/root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done
export HOME="$WORK/home" XDG_DATA_HOME="$WORK/home/.local/share"
mkdir -p "$HOME"
CLI="$WORK/root/usr/bin/romtables-cli"
"$CLI" tables | grep -q "^SPEdit" || { echo "romtables-cli tables did not list SPEdit"; exit 1; }
cp "$SAMPLE" "$WORK/image.nds"
"$CLI" export "$WORK/image.nds" Pilot --format csv >"$WORK/pilot.csv"
[ "$(wc -l <"$WORK/pilot.csv")" -gt 400 ] || { echo "the Pilot export is short"; exit 1; }
echo "installed package runs: $(basename "$DEB")"
