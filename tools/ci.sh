#!/bin/sh
# Everything CI runs: the README's test command (Debian's libobs), then each
# further stage in tools/ci/, with the time each one took.
set -eu
cd "$(dirname "$0")/.."

run_stage() {
	started=$(date +%s)
	echo "== ci: $1"
	"$@"
	echo "== ci: $1 done in $(( $(date +%s) - started )) s"
}

run_stage tools/test.sh
for stage in tools/ci/*.sh; do
	[ -e "$stage" ] || continue
	run_stage "$stage"
done
