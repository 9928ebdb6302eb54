#!/bin/sh
# Installs the Debian packages the chosen build needs (tools/bootstrap.sh),
# then configures and builds into build/, or into $VELMORA_BUILD_DIR.
# Extra arguments go to cmake's configure, e.g.
#   tools/build.sh -DVELMORA_QT_MAJOR=5 -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_TOOLS=OFF
set -eu
cd "$(dirname "$0")/.."
build_dir="${VELMORA_BUILD_DIR:-build}"

# A setting as this configure will see it: given as -DNAME=VALUE (the last
# one wins), else left by an earlier configure, else the default.
cached() {
  [ -f "$build_dir/CMakeCache.txt" ] &&
    sed -n "s/^$1:[A-Z]*=//p" "$build_dir/CMakeCache.txt"
}
qt=$(cached VELMORA_QT_MAJOR || true)
tests=$(cached VELMORA_BUILD_TESTS || true)
tools=$(cached VELMORA_BUILD_TOOLS || true)
for argument in "$@"; do
  case "$argument" in
    -DVELMORA_QT_MAJOR=*|-DVELMORA_QT_MAJOR:*=*) qt="${argument#*=}" ;;
    -DVELMORA_BUILD_TESTS=*|-DVELMORA_BUILD_TESTS:*=*) tests="${argument#*=}" ;;
    -DVELMORA_BUILD_TOOLS=*|-DVELMORA_BUILD_TOOLS:*=*) tools="${argument#*=}" ;;
  esac
done

off() {
  case "$(echo "$1" | tr '[:lower:]' '[:upper:]')" in
    OFF|0|FALSE|NO|N) true ;;
    *) false ;;
  esac
}
bootstrap_options="--qt ${qt:-6}"
if off "${tests:-ON}" && off "${tools:-ON}"; then
  bootstrap_options="$bootstrap_options --module-only"
fi
# shellcheck disable=SC2086
tools/bootstrap.sh $bootstrap_options

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
