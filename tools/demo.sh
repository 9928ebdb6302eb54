#!/bin/sh
# Sets up a fresh Debian 12 machine as needed, builds, and runs the plugin's
# jobs on the built-in sample data, writing the results into out/.
set -eu
cd "$(dirname "$0")/.."
tools/bootstrap.sh
tools/build.sh
mkdir -p out
tools/with-xvfb.sh sh -c '
  set -e
  build/velmora-run info | tee out/info.txt
  VELMORA_CAMSINK_FILE=out/vcam.bgr \
    build/velmora-run vcam --seconds 2 --size 320x180 | tee out/vcam.txt
'
echo "demo: results in out/"
