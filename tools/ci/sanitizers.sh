#!/bin/sh
# CI stage: the tests under sanitizers.
#   build-asan/  AddressSanitizer and UndefinedBehaviorSanitizer, leak
#                detection on: the whole test suite.
#   build-tsan/  ThreadSanitizer: the tests where the module's threads meet
#                the host's (the camera output, the properties panel against
#                the rebuild).
# Every report stops the program it comes from with a failure, which fails
# the test and the stage. The suppression files hold only reports that lie
# wholly in the host, Mesa or FFmpeg, one reason per entry:
# tests/lsan-host.supp (leaks) and tests/tsan-host.supp (threads).
# Extra arguments go to both ctest runs (e.g. -R host-gift).
set -eu
cd "$(dirname "$0")/../.."
top=$(pwd)
jobs=$(nproc)
tools/bootstrap.sh

# build FOLDER SANITIZER [TARGET...]: the targets a ctest run needs (none
# named: everything but the benchmarks, which no test runs).
build() {
	folder=$1 sanitizer=$2
	shift 2
	cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DVELMORA_SANITIZE="$sanitizer" -DVELMORA_BUILD_BENCH=OFF >/dev/null
	if [ $# -gt 0 ]; then
		cmake --build "$folder" --parallel "$jobs" --target "$@"
	else
		cmake --build "$folder" --parallel "$jobs"
	fi
}

common="halt_on_error=1:exitcode=1:print_summary=1"
export ASAN_OPTIONS="$common:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$top/tests/lsan-host.supp:print_suppressions=0"
export UBSAN_OPTIONS="$common:print_stacktrace=1"
export TSAN_OPTIONS="$common:suppressions=$top/tests/tsan-host.supp:second_deadlock_stack=1"

started=$(date +%s)
build build-asan address,undefined
echo "sanitizers: ASan+UBSan build in $(($(date +%s) - started)) s"
tools/with-xvfb.sh ctest --test-dir build-asan --parallel "$jobs" \
	--output-on-failure "$@"

# ThreadSanitizer: the camera output's host tests and the panel's.
started=$(date +%s)
build build-tsan thread host-vcam-output host-vcam-unload host-matting-panel
echo "sanitizers: TSan build in $(($(date +%s) - started)) s"
tools/with-xvfb.sh ctest --test-dir build-tsan --parallel "$jobs" \
	--output-on-failure -R '^host-(vcam|matting-panel)' "$@"
