#!/usr/bin/env bash
# Short libFuzzer runs, in their own clang build folder: the text layer (encoding detection, mark
# removal, decoding, the declaration reader) for FUZZ_SECONDS (default 30), then the drawing reader
# and the HEADER section finder for half as long, seeded with the sample drawings and hostile ones
# (lines past 1024 bytes, block bombs, a self-referencing block, lying counts); then the parsers
# of the other files that come from outside (shortcuts, the registry stand-in's file, profile
# files) for a few seconds each.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang++ >/dev/null; then
  echo "fuzz-smoke: clang++ not found, skipped"
  exit 0
fi

seconds=${FUZZ_SECONDS:-30}
# A crashing input goes into the build folder, never into the checkout.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVERMARK_FUZZ=ON -DVERMARK_BUILD_GUI=OFF -DVERMARK_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_text fuzz_dxf fuzz_shell_link fuzz_registry_file \
  fuzz_profile_file

# A few seeds: each mark, Shift_JIS, UTF-8, an XML declaration, a DXF header.
corpus=build-fuzz/fuzz-corpus
mkdir -p "$corpus"
printf '\xff\xfe<\x00?\x00x\x00m\x00l\x00' >"$corpus/utf16le"
printf '\xfe\xff\x00a\x00b' >"$corpus/utf16be"
printf '\xff\xfe\x00\x00a\x00\x00\x00' >"$corpus/utf32le"
printf '\x00\x00\xfe\xff\x00\x00\x00a' >"$corpus/utf32be"
printf '\xef\xbb\xbf\xe6\x97\xa5\xe6\x9c\xac' >"$corpus/utf8bom"
printf '  0\r\nSECTION\r\n  2\r\nHEADER\r\n\x93\xfa\x96\x7b\r\n' >"$corpus/sjis"
printf '<?xml version="1.0" encoding="utf-8"?>\r\n<a>\xe3\x81\x82</a>' >"$corpus/xml"

build-fuzz/tests/fuzz/fuzz_text -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -print_final_stats=1 -artifact_prefix=build-fuzz/ "$corpus" 2>&1 | tail -n 15

dxf_corpus=build-fuzz/fuzz-corpus-dxf
mkdir -p "$dxf_corpus"
cp samples/*.dxf tests/fuzz/corpus-dxf/*.dxf tests/app/golden/*.dxf "$dxf_corpus/"
build-fuzz/tests/fuzz/fuzz_dxf -max_total_time="$((seconds / 2))" -max_len=8192 -timeout=10 \
  -print_final_stats=1 -artifact_prefix=build-fuzz/ "$dxf_corpus" 2>&1 | tail -n 6

# The other parsers of outside files: a few seconds each.
short=${FUZZ_SHORT_SECONDS:-5}
for target in fuzz_shell_link fuzz_registry_file fuzz_profile_file; do
  corpus_dir=build-fuzz/fuzz-corpus-${target#fuzz_}
  mkdir -p "$corpus_dir"
  build-fuzz/tests/fuzz/$target -max_total_time="$short" -max_len=4096 -timeout=10 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/ "$corpus_dir" 2>&1 | tail -n 3
done
