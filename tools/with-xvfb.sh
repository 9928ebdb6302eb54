#!/bin/sh
# Runs a command with an Xvfb of its own (started and stopped by pid).
set -eu
fifo_dir=$(mktemp -d)
mkfifo "$fifo_dir/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset \
  3>"$fifo_dir/display" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; rm -rf "$fifo_dir"' EXIT INT TERM
read -r number <"$fifo_dir/display"
export DISPLAY=":$number"
status=0
"$@" || status=$?
exit $status
