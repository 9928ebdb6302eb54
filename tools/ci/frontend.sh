#!/bin/sh
# CI stage: the real OBS frontend. Builds the module with Qt 5 (module only,
# in build-frontend/), installs it into a private home, starts Debian's OBS
# (with its obs-websocket) under an Xvfb of its own, drives it over
# obs-websocket with tests/frontend (obs-websocket-js from npm), closes the
# main window as a user does and reads OBS's leak count from its log.
set -eu
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
cd "$(dirname "$0")/../.."

if [ "${1:-}" = --session ]; then
  # Inside the Xvfb: $2 is the work folder, $3 the websocket port.
  work=$2
  port=$3
  HOME=$work/home VELMORA_CAMSINK_FILE=$work/camera.bgr \
    obs --multi >"$work/obs.out" 2>&1 &
  obs_pid=$!
  status=0
  timeout 150 node tests/frontend/frontend-test.mjs "$port" \
    tests/data/greenscreen-person.png "$work/camera.bgr" || status=1
  /usr/bin/python3 tests/frontend/close-window.py "OBS " || status=1
  waited=0
  while kill -0 "$obs_pid" 2>/dev/null && [ $waited -lt 60 ]; do
    sleep 1
    waited=$((waited + 1))
  done
  if kill -0 "$obs_pid" 2>/dev/null; then
    echo "frontend: OBS did not quit within 60 s of closing its window"
    kill "$obs_pid"
    status=1
  fi
  wait "$obs_pid" || true
  exit $status
fi

tools/bootstrap.sh --qt 5 --module-only obs-studio xvfb python3-xlib \
  libgl1-mesa-dri libegl-mesa0 libegl1
command -v npm >/dev/null || tools/bootstrap.sh --qt 5 --module-only nodejs npm
if ! dpkg -L obs-studio | grep -q '/obs-websocket\.so$'; then
  echo "frontend: Debian's obs-studio has no obs-websocket" >&2
  exit 1
fi

VELMORA_BUILD_DIR=build-frontend tools/build.sh -DVELMORA_QT_MAJOR=5 \
  -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_TOOLS=OFF
(cd tests/frontend && npm ci --no-audit --no-fund --silent)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
config=$work/home/.config/obs-studio
mkdir -p "$config"
HOME=$work/home cmake --install build-frontend >/dev/null
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$config/global.ini" <<INI
[General]
FirstRun=true

[OBSWebSocket]
FirstLoad=false
ServerEnabled=true
ServerPort=$port
AuthRequired=false
AlertsEnabled=false
INI

status=0
tools/with-xvfb.sh "$self" --session "$work" "$port" || status=1

log=$(ls -t "$config"/logs/*.txt 2>/dev/null | head -n 1)
if [ -z "$log" ]; then
  echo "frontend: OBS wrote no log"
  cat "$work/obs.out"
  exit 1
fi
grep -E 'velmora|vorq|Number of memory leaks' "$log" || true
if ! grep -q 'Number of memory leaks: 0$' "$log"; then
  echo "frontend: OBS did not end with 0 leaks:"
  tail -n 40 "$log"
  status=1
fi
[ $status -eq 0 ] && echo "frontend: all checks passed"
exit $status
