#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and any packages
# named as arguments; does nothing when they are present.
set -euo pipefail
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev libgtest-dev libgmock-dev
          libbenchmark-dev libcsv-dev qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools qt6-translations-l10n libsqlite3-dev zlib1g-dev fonts-noto-cjk dpkg-dev "$@")
missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
