#!/usr/bin/env bash
# Installs the Debian packages Vermark needs to build, test and run, when they are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  libcurl4-openssl-dev libemf2svg-dev
  fonts-ipafont-gothic xvfb xauth imagemagick xdotool
  python3 python3-ezdxf openssl
  shared-mime-info hicolor-icon-theme adwaita-icon-theme xdg-utils
  dpkg-dev lintian desktop-file-utils man-db groff-base
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 locales
  nsis zip
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
