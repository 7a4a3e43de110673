#!/usr/bin/env bash
# Packages the Windows programs into build-windows-package/: vermark-setup-<version>.exe (NSIS)
# and vermark-<version>-windows-portable.zip. vermark-gui.exe comes from build-windows-gui/
# (built here when missing); vermark.exe from build-windows/cli/ when the Windows core has been
# built there (scripts/build-windows.sh), else the packages hold the dialog alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

version=$(sed -n 's/^set(VERMARK_FILE_VERSION "\(.*\)")/\1/p' cmake/version.cmake)
gui=${VERMARK_WINDOWS_GUI_DIR:-$root/build-windows-gui}/vermark-gui.exe
cli=${VERMARK_WINDOWS_CLI:-$root/build-windows/cli/vermark.exe}
out=$root/build-windows-package
[ -f "$gui" ] || scripts/build-windows-gui.sh >/dev/null

mkdir -p "$out"
rm -f "$out/vermark-setup-$version.exe" "$out/vermark-$version-windows-portable.zip"
defines=(-DVERSION="$version" -DGUI_EXE="$gui" -DICON="$root/app/win32/vermark.ico"
  -DOUTFILE="$out/vermark-setup-$version.exe")
if [ -f "$cli" ]; then
  defines+=(-DCLI_EXE="$cli")
else
  echo "package-windows: no $cli; packaging vermark-gui.exe alone" >&2
fi
makensis -V2 "${defines[@]}" app/win32/vermark.nsi >/dev/null

portable=$(mktemp -d)
trap 'rm -rf "$portable"' EXIT
mkdir "$portable/Vermark"
cp "$gui" "$portable/Vermark/"
[ -f "$cli" ] && cp "$cli" "$portable/Vermark/"
(cd "$portable" && zip -qr "$out/vermark-$version-windows-portable.zip" Vermark)
echo "$out/vermark-setup-$version.exe"
echo "$out/vermark-$version-windows-portable.zip"
