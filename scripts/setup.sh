#!/usr/bin/env bash
# Installs the Debian packages Vantor needs to build, test and run.
# Safe to run again: apt-get skips what is already installed.
# Usage: scripts/setup.sh [--desktop] [--office] [--package]
#   --desktop  also the X tools for looking at the window (Xvfb, openbox, xdotool, imagemagick)
#   --office   also LibreOffice Calc, to open exported workbooks without a desktop
#   --package  also the tools that build and check the Debian package and try it in a clean root
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-base-private-dev qt6-svg-dev libqt6sql6-sqlite libqt6svg6
  libgl-dev libxkbcommon-dev
  libsqlite3-dev sqlite3
  libpq-dev postgresql-15 postgresql-client-15 libssl-dev openssl
  libxlsxwriter-dev unzip
  mdbtools-dev libglib2.0-dev
  fonts-wine fonts-dejavu-core
  clang-format
  xvfb xauth
)

for arg in "$@"; do
  case "$arg" in
    --desktop) packages+=(openbox xdotool imagemagick x11-utils) ;;
    --office) packages+=(libreoffice-calc-nogui poppler-utils) ;;
    --package) packages+=(dpkg-dev debhelper lintian desktop-file-utils appstream debootstrap) ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing; run this script as root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
