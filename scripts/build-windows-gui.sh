#!/usr/bin/env bash
# Cross-builds the Win32 dialog (vermark-gui.exe), its test driver, vermark.exe and the tests of
# the dialog's shared logic into build-windows/, as part of the Windows build of the whole tree.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-windows.sh --target vermark-gui vermark-gui-driver vermark test_dialog "$@"
