#!/usr/bin/env bash
# Builds the Debian package and checks what it installs, unpacked into a scratch root: the file
# list, the programs' libraries, `vermark --version` and `inspect`/`stamp` on a sample, the window
# starting offscreen, the manual pages (they render without warnings; vermark(1) lists the same
# commands and options as `vermark --help`), the bash completion, the desktop entry, and lintian.
# Prints one line per check and "test-deb: PASS" or "test-deb: FAIL"; exits 1 on failure.
# Usage: scripts/test-deb.sh [PACKAGE.deb]   (default: build one with scripts/package-deb.sh)
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

checks=0
failures=0
# check WHAT COMMAND...: runs the command, prints ok/FAIL, and its output when it failed.
check() {
  local what=$1
  shift
  checks=$((checks + 1))
  if "$@" >"$scratch/check.log" 2>&1; then
    echo "  ok    $what"
  else
    failures=$((failures + 1))
    echo "  FAIL  $what"
    sed 's/^/        /' "$scratch/check.log"
  fi
}

if [ $# -gt 0 ]; then
  deb=$(realpath "$1")
else
  echo "== building the package"
  if ! deb=$("$source_dir/scripts/package-deb.sh" "$scratch/deb" | tail -n 1) || [ ! -f "$deb" ]; then
    echo "test-deb: FAIL (the package was not built)"
    exit 1
  fi
fi
echo "== checking $(basename "$deb")"
root=$scratch/root
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)

file_list_matches() {
  diff -u --label expected --label "in the package" <(printf '%s\n' \
    /usr/bin/vermark \
    /usr/bin/vermark-gui \
    /usr/share/applications/vermark.desktop \
    /usr/share/bash-completion/completions/vermark \
    /usr/share/doc/vermark/changelog.gz \
    /usr/share/doc/vermark/copyright \
    /usr/share/icons/hicolor/scalable/apps/vermark.svg \
    /usr/share/man/man1/vermark-gui.1.gz \
    /usr/share/man/man1/vermark.1.gz) \
    <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./|/|' | sort)
}
check "file list" file_list_matches

binaries_are_stripped_and_linked() {
  local program
  for program in "$root/usr/bin/vermark" "$root/usr/bin/vermark-gui"; do
    if readelf -S "$program" | grep -q '\.symtab'; then
      echo "$program is not stripped"
      return 1
    fi
    if ldd "$program" | grep 'not found'; then return 1; fi
  done
}
check "binaries stripped, every library found" binaries_are_stripped_and_linked
check "Depends computed" bash -c 'dpkg-deb -f "$1" Depends | grep -q "libqt6widgets6" &&
  dpkg-deb -f "$1" Depends | grep -q "libcurl4"' _ "$deb"

# The installed programs run in a sandbox of their own, with a copy of a sample.
export VERMARK_HOME=$scratch/home
mkdir -p "$VERMARK_HOME" "$scratch/work"
cp "$source_dir/samples/r12-ascii-crlf.dxf" "$scratch/work/plan.dxf"
vermark=$root/usr/bin/vermark

check "vermark --version" bash -c '"$1" --version | head -n 1 | grep -qx "vermark $2"' _ "$vermark" "$version"
check "vermark inspect on a sample" bash -c \
  'cd "$2" && "$1" inspect plan.dxf | grep -qx "plan.dxf	ASCII	-	can be stamped"' _ "$vermark" "$scratch/work"
check "vermark stamp on a sample" bash -c \
  'cd "$2" && "$1" -q stamp plan.dxf && "$1" check plan.1008.dxf | grep -qx "ok	plan.1008.dxf	AC1008"' \
  _ "$vermark" "$scratch/work"
# The window comes up and stays up (a missing library or plugin ends it at once); the timeout
# closes it.
gui_stays_up() {
  local status=0
  QT_QPA_PLATFORM=offscreen timeout 5 "$root/usr/bin/vermark-gui" "$scratch/work/plan.dxf" || status=$?
  [ "$status" -eq 124 ] || { echo "vermark-gui ended with status $status"; return 1; }
}
check "vermark-gui starts" gui_stays_up

# man -l renders each page; any warning from groff on standard error is a failure.
page_renders() {
  local errors
  errors=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$1" 2>&1 >/dev/null) &&
    [ -z "$errors" ] || { echo "$errors"; return 1; }
}
check "man -l vermark.1" page_renders "$root/usr/share/man/man1/vermark.1.gz"
check "man -l vermark-gui.1" page_renders "$root/usr/share/man/man1/vermark-gui.1.gz"

# The commands and options of `vermark --help`, one a line, sorted.
help_words() {
  "$vermark" --help | awk -v section="$1" '
    $0 == section ":" { inside = 1; next }
    /^$/ { inside = 0 }
    inside { sub(/^ +/, ""); sub(/  .*/, ""); print }' |
    if [ "$1" = Commands ]; then cut -d ' ' -f 1; else tr -d ' ' | tr ',' '\n'; fi | sort
}
# The same from vermark(1): the tags of the "Commands" subsection and the OPTIONS section.
man_words() {
  zcat "$root/usr/share/man/man1/vermark.1.gz" | sed 's/\\//g' | awk -v section="$1" '
    /^\.S[HS] / { inside = ($2 == section); next }
    inside && tagged { print; tagged = 0 }
    inside && /^\.TP/ { tagged = 1 }' |
    if [ "$1" = Commands ]; then awk '{ print $2 }'; else grep -oE -- '(^| )--?[a-z][a-z-]*' | tr -d ' '; fi |
    sort
}
help_matches_manual() {
  diff -u --label "vermark --help" --label "vermark(1)" <(help_words Commands) <(man_words Commands) &&
    diff -u --label "vermark --help" --label "vermark(1)" <(help_words Options) <(man_words OPTIONS) &&
    [ -n "$(help_words Options)" ]
}
check "vermark --help and vermark(1) list the same commands and options" help_matches_manual

completes_to() {
  bash -c 'source "$1"; shift; expected=$1; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _vermark
    [ "${COMPREPLY[*]}" = "$expected" ] || { echo "got: ${COMPREPLY[*]}"; exit 1; }' \
    _ "$root/usr/share/bash-completion/completions/vermark" "$@"
}
completion_works() {
  completes_to stamp vermark -r st && completes_to --json vermark --j &&
    completes_to "inspect stamp check" vermark ""
}
check "bash completion of commands and options" completion_works
check "desktop entry valid" desktop-file-validate "$root/usr/share/applications/vermark.desktop"

# Every tag lintian reports is shown; only errors fail the check.
lintian_has_no_errors() {
  local status=0
  lintian --fail-on error "$deb" >"$scratch/lintian.raw" 2>&1 || status=$?
  grep -v 'running with root privileges' "$scratch/lintian.raw" >"$scratch/lintian.log" || true
  return "$status"
}
check "lintian: no errors" lintian_has_no_errors
[ -s "$scratch/lintian.log" ] && sed 's/^/        lintian: /' "$scratch/lintian.log"

if [ "$failures" -eq 0 ]; then
  echo "test-deb: PASS ($checks checks)"
else
  echo "test-deb: FAIL ($failures of $checks checks failed)"
  exit 1
fi
