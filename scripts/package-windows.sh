#!/usr/bin/env bash
# Packages the Windows programs into build-windows-package/: vermark-setup-<version>.exe (NSIS)
# and vermark-<version>-windows-portable.zip, with vermark-gui.exe and vermark.exe from
# build-windows/ (built here by scripts/build-windows-gui.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

version=$(sed -n 's/^set(VERMARK_FILE_VERSION "\(.*\)")/\1/p' cmake/version.cmake)
gui=$root/build-windows/app/win32/vermark-gui.exe
cli=$root/build-windows/cli/vermark.exe
out=$root/build-windows-package
scripts/build-windows-gui.sh >/dev/null

mkdir -p "$out"
rm -f "$out/vermark-setup-$version.exe" "$out/vermark-$version-windows-portable.zip"
defines=(-DVERSION="$version" -DGUI_EXE="$gui" -DCLI_EXE="$cli" -DICON="$root/app/win32/vermark.ico"
  -DOUTFILE="$out/vermark-setup-$version.exe")
makensis -V2 "${defines[@]}" app/win32/vermark.nsi >/dev/null

portable=$(mktemp -d)
trap 'rm -rf "$portable"' EXIT
mkdir "$portable/Vermark"
cp "$gui" "$cli" "$portable/Vermark/"
(cd "$portable" && zip -qr "$out/vermark-$version-windows-portable.zip" Vermark)
echo "$out/vermark-setup-$version.exe"
echo "$out/vermark-$version-windows-portable.zip"
