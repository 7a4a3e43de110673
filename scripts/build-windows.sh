#!/usr/bin/env bash
# Cross-builds the Windows core, vermark.exe and the test programs into build-windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${VERMARK_JOBS:-2}
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
cmake --build build-windows -j "$jobs" "$@"
