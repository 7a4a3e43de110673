#!/usr/bin/env bash
# Builds Vermark and starts it: the dialog when a display is there (files named are loaded as if
# dropped), else the command-line stamper on the files named or on the bundled samples.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh >&2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >&2

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/app/vermark-gui ]; then
  exec build/app/vermark-gui "$@"
fi
if [ $# -gt 0 ]; then
  exec build/cli/vermark stamp "$@"
fi
# No display and no file named: stamp copies of the bundled samples, leaving the originals alone.
work=$(mktemp -d "${TMPDIR:-/tmp}/vermark-samples-XXXXXX")
cp samples/*.dxf "$work"/
vermark=$PWD/build/cli/vermark
cd "$work"
echo "Stamping copies of the bundled samples in $work" >&2
"$vermark" inspect ./*.dxf
exec "$vermark" stamp ./*.dxf
