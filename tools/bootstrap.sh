#!/bin/sh
# Installs the Debian 12 packages the build, the demo and the tests need,
# skipping those already present. Safe to run again.
set -eu

PACKAGES="
  cmake g++ make pkg-config binutils
  libobs-dev obs-studio
  qt6-base-dev
  libgtest-dev
  libx11-dev xvfb
  libgl1-mesa-dri libegl-mesa0 libegl1
"

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
