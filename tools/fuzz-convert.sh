#!/bin/sh
# Builds the shader conversion's libFuzzer target with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, not part of the normal build) and runs
# it on the committed seeds plus a working corpus in build-fuzz/corpus.
#
#   tools/fuzz-convert.sh [SECONDS] [more libFuzzer options...]
#
# SECONDS defaults to 600. An input that takes more than 1 s counts as a hang.
# Inputs grow up to 256 KB, the most the matting filter's convert button
# takes, at once (no gradual length control), so that time that grows
# faster than the text shows as a hang.
# Findings are written to build-fuzz/ (crash-*, timeout-*, leak-*).
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-600}
[ $# -gt 0 ] && shift
out=build-fuzz
mkdir -p "$out/corpus"
clang++ -std=c++17 -g -O2 -fsanitize=fuzzer,address,undefined \
	-fno-sanitize-recover=undefined -Isrc/convert \
	src/convert/*.cpp tests/fuzz/fuzz-convert.cpp -o "$out/fuzz-convert"
exec "$out/fuzz-convert" -max_total_time="$seconds" -timeout=1 \
	-max_len=262144 -len_control=0 -artifact_prefix="$out/" -print_final_stats=1 "$@" \
	"$out/corpus" tests/fuzz/convert-seeds tests/fuzz/convert-regressions \
	tests/data/shaders
