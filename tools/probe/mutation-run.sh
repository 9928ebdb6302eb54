#!/bin/sh
# The effect guard's mutation run: every effect the host ships, the
# repository's examples and the built-in keyer (as bodies of the filter's
# template) are mutated and compiled by the real host in a child process;
# the probe counts crashes and hangs the guard lets pass (must be 0) and
# texts the host compiles that the guard refuses (must be 0).
#   tools/probe/mutation-run.sh BUILD_DIR COUNT [SEED] [OUT_DIR] [probe options]
# Runs at low priority with one worker; about 20 mutants a second here.
set -eu
build=${1:?build folder}
count=${2:?number of mutants}
seed=${3:-1}
out=${4:-}
shift $(( $# < 4 ? $# : 4 ))
here=$(cd "$(dirname "$0")/../.." && pwd)
# The effects of the host the build runs against (see the README).
host_data=${VELMORA_HOST_DATA_DIR:-$(sed -n 's/^VELMORA_HOST_DATA_DIR:PATH=//p' "$build/CMakeCache.txt")}
effects=$(find "${host_data:-/usr/share/obs}" -name '*.effect' | sort)
exec nice -n 19 "$here/tools/with-xvfb.sh" "${VELMORA_PROBE:-$build/velmora-effect-probe}" mutate \
  --opengl --count "$count" --rng "$seed" ${out:+--out "$out"} "$@" \
  $effects $(find "$here/data" -name '*.effect' | sort) \
  --body keyer keyer keyer keyer keyer \
  $(find "$here/data" "$here/tests/data/effect-guard" -name '*.shader' | sort)
