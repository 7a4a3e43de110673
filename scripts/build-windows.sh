#!/usr/bin/env bash
# Cross-builds the Windows core, vermark.exe and the test programs into build-windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${VERMARK_JOBS:-2}
# -O1: GoogleTest and the test programs dominate the build; the program's speed is measured on
# Linux (bench/).
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
cmake --build build-windows -j "$jobs" "$@"
