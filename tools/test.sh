#!/bin/sh
# Sets up a fresh Debian 12 machine as needed, builds, and runs every test
# (unit tests and tests in a real headless host) under an Xvfb of its own.
set -eu
cd "$(dirname "$0")/.."
# The tests and tools are switched on again should an install build have
# switched them off in build/.
tools/build.sh -DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_TOOLS=ON
tools/with-xvfb.sh ctest --test-dir build --output-on-failure "$@"
