#!/bin/sh
# CI stage: the tests under sanitizers.
#   build-asan/  AddressSanitizer and UndefinedBehaviorSanitizer, leak
#                detection on: the whole test suite.
#   build-tsan/  ThreadSanitizer: the tests where the module's threads meet
#                the host's (the camera output, the properties panel against
#                the rebuild).
# Every report stops the program it comes from with a failure, which fails
# the test and the stage. The suppression files hold only reports that lie
# wholly in the host, Mesa or FFmpeg, with a reason for each entry:
# tests/lsan-host.supp (leaks) and tests/tsan-host.supp (threads).
# Both builds are optimised lightly (-O1, line tables only), which halves
# their build time; GCC's maybe-uninitialized warning is off there, as it
# sees false ones in libstdc++'s <regex> through the instrumentation. Extra
# arguments go to both ctest runs (e.g. -R gift).
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
	started=$(date +%s)
	cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_C_FLAGS_RELWITHDEBINFO="$flags" \
		-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$flags" \
		-DVELMORA_SANITIZE="$sanitizer" -DVELMORA_BUILD_BENCH=OFF >/dev/null
	if [ $# -gt 0 ]; then
		cmake --build "$folder" --parallel "$jobs" --target "$@"
	else
		cmake --build "$folder" --parallel "$jobs"
	fi
	echo "sanitizers: $folder built in $(($(date +%s) - started)) s"
}

flags="-O1 -g1 -Wno-maybe-uninitialized"
common="halt_on_error=1:exitcode=1"
export ASAN_OPTIONS="$common:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$top/tests/lsan-host.supp:print_suppressions=0"
export UBSAN_OPTIONS="$common:print_stacktrace=1"
export TSAN_OPTIONS="$common:suppressions=$top/tests/tsan-host.supp:second_deadlock_stack=1"

status=0
build build-asan address,undefined
tools/with-xvfb.sh ctest --test-dir build-asan --parallel "$jobs" \
	--output-on-failure "$@" || status=1

build build-tsan thread host-vcam-output host-vcam-unload host-vcam-library \
	host-matting-panel
tools/with-xvfb.sh ctest --test-dir build-tsan --parallel "$jobs" \
	--output-on-failure -R '^host-(vcam|matting-panel)' "$@" || status=1
exit $status
