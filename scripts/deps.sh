#!/usr/bin/env bash
# Installs the Debian 12 packages the program and its tests need, when any is missing.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libsqlite3-dev libpq-dev
  libgl-dev libsodium-dev libxlsxwriter-dev libzip-dev fonts-noto-cjk
  fonts-wqy-microhei fonts-noto-color-emoji
  qt6-translations-l10n
  postgresql-client
)
if [ "${1:-}" = "--test" ]; then
  PACKAGES+=(postgresql poppler-utils unzip xvfb desktop-file-utils)
fi
if [ "${1:-}" = "--package" ]; then
  # dpkg-shlibdeps finds the package's library dependencies; the entry is checked too.
  PACKAGES+=(dpkg-dev desktop-file-utils)
fi
if [ "${1:-}" = "--bench" ]; then
  # The benchmark runs pgbench on the same cluster.
  PACKAGES+=(postgresql postgresql-contrib)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  sudo apt-get update -q
  sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
else
  echo "Missing packages. Run as root or with sudo:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
