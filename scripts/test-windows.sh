#!/usr/bin/env bash
# Runs every Windows test program of build-windows/ under Wine, once with an English and once
# with a Japanese locale (ANSI code pages 1252 and 932), then the command line's integration
# tests on vermark.exe. Ends with one line "N passed, N failed"; exits non-zero on a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/build-windows

# Packages: the cross compiler, Wine, and the two locales Wine takes its code page from.
packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 locales python3-ezdxf)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "${missing[@]}"
fi
for wanted in en_US.UTF-8 ja_JP.UTF-8; do
  if ! locale -a 2>/dev/null | grep -qi "^${wanted%.UTF-8}.utf8$"; then
    $sudo sed -i "s/^# *\(${wanted} UTF-8\)/\1/" /etc/locale.gen
    grep -q "^${wanted} UTF-8" /etc/locale.gen || echo "${wanted} UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
  fi
done

[ -f "$build/build.ninja" ] || scripts/build-windows.sh
cmake --build "$build" -j "${VERMARK_JOBS:-2}"

# A fresh prefix inside the build folder, headless: no Mono or Gecko prompts, no X display.
export WINEPREFIX=$build/wineprefix
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDEBUG=-all
export WINEARCH=win64
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# One server for the whole run. Left to itself the server quits a few seconds after its last
# program ends, and a program started in that moment fails to connect ("wine client error"),
# exiting 1 before it prints anything of its own; the integration tests start one per case.
wineserver -k 2>/dev/null || true # a server an interrupted run left behind
wineserver -w
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT

# What is not built for Windows, and why.
sed -n 's/^  "\(.*\)"$/not built for Windows: \1/p' tests/windows_tests.cmake

passed=0
failed=0
log=$build/test-windows.log
: >"$log"

# One test program under one locale; its GoogleTest summary gives the counts, a crash or a
# missing summary counts as one failure.
run_program() {
  local locale=$1 program=$2 output
  output=$(LANG=$locale LC_ALL=$locale \
    VERMARK_SOURCE_DIR="$(winepath -w "$root")" VERMARK_BINARY_DIR="$(winepath -w "$build")" \
    timeout 600 wine "$program" --gtest_brief=1 2>&1 | tr -d '\r') || true
  printf '== %s (%s)\n%s\n' "$(basename "$program")" "$locale" "$output" >>"$log"
  local ok bad
  # Brief output names each failed case on a line of its own and counts only the passed ones.
  ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' <<<"$output" | tail -1)
  bad=$(grep -cE '^\[  FAILED  \] [A-Za-z_0-9/]+\.[A-Za-z_0-9/]+' <<<"$output" || true)
  if [ -z "$ok" ] && [ "$bad" -eq 0 ]; then
    echo "$(basename "$program") ($locale): no test summary (crashed?)"
    failed=$((failed + 1))
    return
  fi
  passed=$((passed + ${ok:-0}))
  failed=$((failed + ${bad:-0}))
  if [ "$bad" -gt 0 ]; then
    echo "$(basename "$program") ($locale): $bad failed"
    grep '^\[  FAILED  \] [A-Za-z]' <<<"$output" | sort -u
  else
    echo "$(basename "$program") ($locale): ${ok:-0} passed"
  fi
}

for locale in en_US.UTF-8 ja_JP.UTF-8; do
  for program in "$build"/tests/test_*.exe "$build"/tests/app/dialog/test_*.exe; do
    run_program "$locale" "$program"
  done
done

# The command line on real drawings: vermark.exe under Wine, copies read back with ezdxf.
for suite in EzdxfRoundTrip BundledSamples CommandLine WindowsNames; do
  if VERMARK_BIN="$build/cli/vermark.exe" VERMARK_RUNNER=wine VERMARK_SAMPLES="$root/samples" \
    LANG=en_US.UTF-8 /usr/bin/python3 tests/integration/vermark_cli_test.py "$suite" >>"$log" 2>&1; then
    echo "integration.$suite: passed"
    passed=$((passed + 1))
  else
    echo "integration.$suite: FAILED (see $log)"
    failed=$((failed + 1))
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
