#!/bin/sh
# Sets up a fresh Debian 12 machine as needed, builds, and runs every test
# (unit tests and tests in a real headless host) under an Xvfb of its own.
set -eu
cd "$(dirname "$0")/.."
tools/build.sh
tools/with-xvfb.sh ctest --test-dir build --output-on-failure "$@"
