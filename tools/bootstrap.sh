#!/bin/sh
# Installs the Debian 12 packages a build needs, skipping those already
# present. Safe to run again.
#
#   tools/bootstrap.sh [--qt 5|6] [--module-only] [PACKAGE...]
#
# --qt picks the Qt development package (default 6; Debian's packaged OBS
# 29 needs 5). --module-only leaves out what only the tests, the tools and
# the demo need (GoogleTest, X11 headers, Xvfb, Mesa, OBS's stock plugins).
# Further packages named are installed too when missing.
set -eu

qt=6
module_only=false
extra=""
while [ $# -gt 0 ]; do
  case "$1" in
    --qt) qt="$2"; shift 2 ;;
    --module-only) module_only=true; shift ;;
    -*) echo "bootstrap: unknown option $1" >&2; exit 2 ;;
    *) extra="$extra $1"; shift ;;
  esac
done

case "$qt" in
  5) qt_package=qtbase5-dev ;;
  6) qt_package=qt6-base-dev ;;
  *) echo "bootstrap: Qt major $qt is not 5 or 6" >&2; exit 2 ;;
esac

PACKAGES="cmake g++ make pkg-config binutils libobs-dev $qt_package $extra"
if [ "$module_only" = false ]; then
  PACKAGES="$PACKAGES
  obs-studio
  libgtest-dev
  libx11-dev xvfb
  libgl1-mesa-dri libegl-mesa0 libegl1
"
fi

missing=""
for package in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done

if [ -z "$missing" ]; then
  exit 0
fi

echo "bootstrap: installing$missing"
SUDO=""
if [ "$(id -u)" != "0" ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
