#!/usr/bin/env bash
# Cross-builds the Win32 dialog (vermark-gui.exe) and its test driver into build-windows-gui/.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${VERMARK_JOBS:-2}
cmake -S app/win32 -B build-windows-gui -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" >/dev/null
cmake --build build-windows-gui -j "$jobs" "$@"
