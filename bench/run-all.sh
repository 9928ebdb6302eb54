#!/bin/sh
# Runs every benchmark of a build and prints one table of their figures.
# Builds nothing: build the tools first (tools/build.sh or cmake --build).
#
#   bench/run-all.sh [BUILD_DIR] [FRAMES]
#
# BUILD_DIR defaults to build/ beside this folder; FRAMES (per filter
# variant, default 60) is handed to the two per-frame benchmarks. Each
# benchmark's own output is kept in a folder named at the end.
set -u

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
frames=${2:-60}
bench=$build/bench
if [ ! -x "$build/velmora-make-greenscreen" ]; then
	echo "run-all: no tools in $build; build them first" >&2
	exit 2
fi

out=$(mktemp -d /tmp/velmora-bench.XXXXXX)
picture=$out/greenscreen.png
"$build/velmora-make-greenscreen" "$picture" 1920 1080 >/dev/null || exit 1

# Runs one benchmark of the build into $out/NAME.txt; a benchmark that was
# not built (bench-vcam needs the tests) leaves its rows at "?".
run() { # name, program, then its arguments
	name=$1
	program=$bench/$2
	shift 2
	if [ ! -x "$program" ]; then
		echo "run-all: $program was not built" >&2
		: >"$out/$name.txt"
		return
	fi
	"$program" "$@" >"$out/$name.txt" 2>&1 ||
		echo "run-all: $name exited with $?" >&2
}
run matting bench-matting "$frames"
run keyer bench-keyer "$picture" "$frames"
run guard bench-effect-guard
run convert bench-convert
run vcam bench-vcam
run margins bench-margins

# Prints one row: figure, value (a missing figure shows as "?").
row() {
	printf '| %-52s | %-28s |\n' "$1" "${2:-?}"
}
# The first line of a benchmark's output that matches a pattern, split into
# fields by awk; prints the expression given.
pick() { # file, pattern, awk expression
	awk -v pattern="$2" '$0 ~ pattern { print '"$3"'; exit }' "$out/$1.txt"
}
number() { # text: its first number
	printf '%s\n' "$1" | sed -n 's/^[^0-9]*\([0-9][0-9.]*\).*/\1/p'
}

passthrough=$(pick matting 'image through the filter' '$NF')
second=$(pick matting 'second view in the same frame' '$NF')
rebuild=$(pick matting '^rebuild of' '$7 " ms (" $4 " effect)"')
keyer=$(pick keyer '^medians, minus' '$NF')
bare=$(pick keyer '^  bare source' '$3')

passthrough_ms=$(pick keyer '^  velmora-matting .pass-through' '$3')
guard_keyer=$(pick guard '^keyer' '$7 " us (" $4 " bytes)"')
guard_host=$(pick guard '^format_conversion' '$5 " us (" $2 " bytes)"')
convert_in=$(pick convert '^input' '$2')
convert_ms=$(pick convert '^conversion' '$6')
vcam_ratio=$(pick vcam '^   raw_video  ' '$NF')
vcam_fps=$(pick vcam 'frames at camera' '$4')
vcam_delay=$(pick vcam 'raw_video called' '$6 " ms, p99 " $9 " ms"')
margins_size=$(pick margins 'drawn at' '$NF')
margins_frame=$(pick margins '^frame: median' '$3 " ms, +" $(NF-1) " MB"')

unit() { # value unit: both, or nothing when the value is missing
	[ -n "$1" ] && printf '%s%s' "$1" "$2"
}
ratio() { # a b: a / b, two decimals
	awk -v a="$(number "$1")" -v b="$(number "$2")" \
		'BEGIN { if (b > 0) printf "%.2fx", a / b; else print "?" }'
}
throughput() { # bytes milliseconds: kB per ms = MB per s
	awk -v b="$1" -v ms="$(number "$2")" \
		'BEGIN { if (ms > 0) printf "%.1f MB/s (%s ms)", b / ms / 1000, ms; else print "?" }'
}

echo "Benchmarks of $build ($(date '+%Y-%m-%d %H:%M'), $frames frames a variant)"
row "figure" "value"
row "----" "----"
row "matting pass-through / picture alone (scene, 1080p)" "$(unit "$(number "$passthrough")" x)"
row "second view in a frame / picture alone" "$(unit "$(number "$second")" x)"
row "built-in keyer / host chroma key (less the picture)" "$(unit "$(number "$keyer")" x)"
row "matting pass-through / picture alone (bare render)" "$(ratio "$passthrough_ms" "$bare")"
row "effect rebuild, median" "$rebuild"
row "effect guard on the keyer, median" "$guard_keyer"
row "effect guard on a host effect, median" "$guard_host"
row "shader conversion, median" "$(throughput "$convert_in" "$convert_ms")"
row "camera raw_video / bare conversion" "$(unit "$(number "$vcam_ratio")" x)"
row "camera frames delivered, fast camera" "$(unit "$vcam_fps" " per s")"
row "camera delay raw_video -> camera, median" "$vcam_delay"
row "4K + 6000-pixel margins: size drawn" "$margins_size"
row "4K + 6000-pixel margins: frame, peak memory growth" "$margins_frame"
echo "Each benchmark's output: $out"
