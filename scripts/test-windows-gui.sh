#!/usr/bin/env bash
# Tests the Win32 dialog under Wine and Xvfb, from outside as a user would: loads a drawing named
# on the command line, drops files and a shortcut on the window (WM_DROPFILES), presses
# "$ACADVER 追加" (BM_CLICK on 1002) and checks the stamped copy, opens the About box through the
# system-menu command, and checks that the placement is saved to the settings file and restored
# at the next start; runs the tests of the dialog's shared logic. Then the installer: silent install, the installed programs, the uninstaller.
# Ends with one line "N passed, N failed"; exits non-zero on a failure. VERMARK_WINDOWS_GUI_DIR
# names a finished build; else scripts/build-windows-gui.sh builds one in build-windows/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ -z "${VERMARK_IN_XVFB:-}" ]; then
  # Packages: the cross compiler, Wine, the installer compiler, the X server and the fonts that
  # stand in for the dialog's Japanese ones.
  packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 nsis zip xvfb xauth
    fonts-ipafont-gothic)
  missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq "${missing[@]}"
  fi
fi

if [ -z "${VERMARK_WINDOWS_GUI_DIR:-}" ]; then
  scripts/build-windows-gui.sh >/dev/null
  VERMARK_WINDOWS_GUI_DIR=$root/build-windows/app/win32
fi
gui=$VERMARK_WINDOWS_GUI_DIR/vermark-gui.exe
driver=$VERMARK_WINDOWS_GUI_DIR/vermark-gui-driver.exe

if [ -z "${VERMARK_IN_XVFB:-}" ]; then
  export VERMARK_IN_XVFB=1 VERMARK_WINDOWS_GUI_DIR
  exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi

work=$(mktemp -d /tmp/vermark-wingui.XXXXXX)
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# shellcheck source=scripts/wine-prefix.sh
. "$root/scripts/wine-prefix.sh"
make_wine_prefix "$work"

passes=0
failures=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    echo "ok      $1"
    passes=$((passes + 1))
  else
    echo "FAILED  $1: expected [$2], got [$3]"
    failures=$((failures + 1))
  fi
}
drive() {
  run_hidden wine "$driver" "$@" | tr -d '\r'
}
check_layout() {  # the pane and the edit box 1 pixel from the client's edges
  local pl pr pb er cw ch
  read -r pl pr pb er cw ch < <(drive layout)
  check "$1" "1 $((cw - 1)) $((ch - 1)) $((cw - 1))" "$pl $pr $pb $er"
}
give_up() {  # a failure the later checks cannot go on from
  echo "FAILED  $1"
  echo "$passes passed, $((failures + 1)) failed"
  exit 1
}
# Loads and copies run in the background: what a control shows, or whether a file is there, once
# it is as expected, or as it is after 10 s.
settled_text() {  # ID EXPECTED
  local text
  for _ in $(seq 50); do
    text=$(drive text "$1")
    [ "$text" == "$2" ] && break
    sleep 0.2
  done
  printf '%s' "$text"
}
settled_file() {  # PATH -> yes or no
  for _ in $(seq 50); do
    [ -f "$1" ] && { echo yes; return; }
    sleep 0.2
  done
  echo no
}
settings_text() {  # the settings file (UTF-16) as UTF-8 lines
  iconv -f UTF-16 -t UTF-8 "$1" 2>/dev/null | tr -d '\r'
}
wait_for_exit() {  # the dialog's process has ended within 10 s
  for _ in $(seq 100); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

files=$work/files
mkdir -p "$files" "$work/home"
cp samples/*.dxf "$files/"
export VERMARK_HOME
VERMARK_HOME=$(winepath -w "$work/home" 2>/dev/null)
ini=$work/home/Documents/Temp/Tool/_setting/Vermark.ini
local_update_server "$work/home/Documents"
cd "$files"

# First run: a file named on the command line, then drops.
run_hidden wine "$gui" r12-shift-jis-crlf.dxf &
pid=$!
drive wait 60000 || give_up "the dialog did not appear"
# The template's caption, the program file's name where it differs from the recorded one, the
# version.
caption=$(drive text 0)
expected='$ACADVER 追加 (vermark-gui.exe) Ver.1.0.2023.921'
[[ $caption == "$expected"* ]] && caption=$expected
check "caption with the version" "$expected" "$caption"
check "always on top" "1" "$(drive topmost)"
check "command-line file: encoding" "Shift_JIS" "$(settled_text 1003 Shift_JIS)"
check "command-line file: button enabled" "1" "$(drive enabled 1002)"
# The pane shows the drawing's own lines (no shell offers a thumbnail of it here).
drawn=$(drive drawn)
check "command-line file: the drawing is drawn in the pane" "yes" \
  "$([ "${drawn:-0}" -ge 100 ] && echo yes || echo "no ($drawn pixels)")"

drive drop r2000-has-acadver.dxf r12-ascii-crlf.dxf
check "two files dropped: the last one is described" "ASCII" "$(settled_text 1003 ASCII)"
check "two files dropped: button enabled" "1" "$(drive enabled 1002)"
drive click 1002
check "stamped copy written" "yes" "$(settled_file r12-ascii-crlf.1008.dxf)"
check "stamped copy: group after the HEADER line" "  9|\$ACADVER|  1|AC1008" \
  "$(sed -n 5,8p r12-ascii-crlf.1008.dxf 2>/dev/null | tr -d '\r' | paste -sd'|')"
check "stamped copy: the input's CR LF line ends" "8" \
  "$(head -n 8 r12-ascii-crlf.1008.dxf 2>/dev/null | grep -c $'\r$' || true)"
check "input unchanged" "$(md5sum <"$root/samples/r12-ascii-crlf.dxf")" \
  "$(md5sum <r12-ascii-crlf.dxf)"

drive drop r2000-has-acadver.dxf
check "recorded version shown" "ASCII   AC1015" "$(settled_text 1003 "ASCII   AC1015")"
check "recorded version: button disabled" "0" "$(drive enabled 1002)"

# A version beyond the inspected head: the button is offered, and pressing it says why nothing
# was written, in a box whose text also goes to the debug log.
python3 - r12-ascii-crlf.dxf late.dxf <<'PY'
import sys
text = open(sys.argv[1], "rb").read()
end = text.index(b"  0\r\nENDSEC")
late = b"999\r\n" + b"x" * 20000 + b"\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n"
open(sys.argv[2], "wb").write(text[:end] + late + text[end:])
PY
drive drop late.dxf
check "late version: not seen in the head" "ASCII" "$(settled_text 1003 ASCII)"
check "late version: button enabled" "1" "$(drive enabled 1002)"
drive click 1002
box=$(drive box)
check "late version: the box says why" $'$ACADVER は追加しませんでした．|$ACADVER は既に AC1015 です' \
  "$(head -n 1 <<<"$box")|$(tail -n 1 <<<"$box")"
check "late version: shown in the edit box" "ASCII   AC1015" "$(settled_text 1003 "ASCII   AC1015")"
check "late version: button disabled" "0" "$(drive enabled 1002)"
check "late version: no copy" "no" "$([ -e late.1008.dxf ] && echo yes || echo no)"
check "late version: the box is in the debug log" "yes" \
  "$(find "$work/home/Documents/Temp/Temp/DbgDump" -type f -exec iconv -f UTF-16 -t UTF-8 {} \; 2>/dev/null |
    grep -q 'は追加しませんでした' && echo yes || echo no)"

mkdir -p "long folder name"
cp r2000-utf8-lf.dxf "long folder name/"
drive mklink "long folder name/r2000-utf8-lf.dxf" "Plan.LNK"
drive drop Plan.LNK
check "shortcut dropped: its target is loaded" "UTF_8" "$(settled_text 1003 UTF_8)"
drive click 1002
check "shortcut: copy beside the target" "yes" \
  "$(settled_file "long folder name/r2000-utf8-lf.1008.dxf")"

about=$(drive about)
check "About box texts" $'$ACADVER 追加  Version 1.0.2023.921\nCopyright (C) 2023 Vermark developers' \
  "$about"
drive about-close
sleep 1

check_layout "layout at the template's size"
drive move 30 40 420 390
sleep 1
check_layout "layout after resizing"
drive close
wait_for_exit "$pid" || give_up "the dialog did not close"
check "placement saved" "Position_CVermarkDlg_CDialog=000000030 000000040 000000420 000000390" \
  "$(settings_text "$ini" | grep '^Position_CVermarkDlg_CDialog=' || true)"

# Second run: the dialog comes back where it was closed.
run_hidden wine "$gui" &
pid=$!
drive wait 60000 || give_up "the dialog did not appear again"
sleep 1
check "placement restored" "30 40 420 390" "$(drive rect)"
check_layout "layout after the restore"
check "prompt state: empty edit box" "" "$(drive text 1003)"
# Enter closes the dialog (its default button "OK" is hidden).
drive enter
wait_for_exit "$pid" || give_up "the dialog did not close"

# The installer: silent install, the installed programs, then the silent uninstall.
cd "$root"
version=$(sed -n 's/^set(VERMARK_FILE_VERSION "\(.*\)")/\1/p' cmake/version.cmake)
setup=${VERMARK_WINDOWS_SETUP:-}
if [ -z "$setup" ]; then
  scripts/package-windows.sh >/dev/null 2>&1
  setup=$root/build-windows-package/vermark-setup-$version.exe
fi
installed="$WINEPREFIX/drive_c/Program Files/Vermark"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vermark.lnk"
settings_folder="$WINEPREFIX/drive_c/users/Public/Documents/Temp/Tool/_setting"
open_with='HKLM\Software\Classes\.dxf\OpenWithList\vermark-gui.exe'
registered() { run_hidden wine reg query "$1" /reg:64 >/dev/null && echo yes || echo no; }

local_update_server "$WINEPREFIX/drive_c/users/Public/Documents"
run_hidden wine "$setup" /S
wineserver -w
check "installed: vermark-gui.exe" "yes" "$([ -f "$installed/vermark-gui.exe" ] && echo yes || echo no)"
check "installed: vermark.exe --version runs" "0" \
  "$(run_hidden wine "$installed/vermark.exe" --version >/dev/null; echo $?)"
check "installed: Start-menu entry" "yes" "$([ -f "$start_menu" ] && echo yes || echo no)"
check "installed: Open with for .dxf" "yes" "$(registered "$open_with")"

unset VERMARK_HOME
run_hidden wine "$installed/vermark-gui.exe" &
pid=$!
if drive wait 60000; then
  drive close
  wait_for_exit "$pid" || true
fi
check "installed dialog ran and saved its placement" "yes" \
  "$(settings_text "$settings_folder/Vermark.ini" | grep -q '^Position_CVermarkDlg_CDialog=' &&
    echo yes || echo no)"

run_hidden wine "$installed/uninstall.exe" /S
# The uninstaller runs from a copy of itself and returns at once: wait for it (at most 30 s).
for _ in $(seq 300); do
  [ -e "$installed" ] || break
  sleep 0.1
done
wineserver -w
check "uninstalled: program folder removed" "no" "$([ -e "$installed" ] && echo yes || echo no)"
check "uninstalled: Start-menu entry removed" "no" "$([ -e "$start_menu" ] && echo yes || echo no)"
check "uninstalled: Open with removed" "no" "$(registered "$open_with")"
check "uninstalled: the user's settings kept" "yes" \
  "$([ -f "$settings_folder/Vermark.ini" ] && echo yes || echo no)"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
