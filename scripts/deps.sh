#!/bin/sh
# Installs the Debian packages the build, the tests and the program need, when
# any is missing. Used by run.sh and test.sh; safe to run again.
set -eu
PACKAGES="cmake g++ make qt6-base-dev qt6-base-dev-tools libgl-dev fonts-liberation
  xvfb xauth xdotool x11-utils x11-apps picocom python3 clang libclang-rt-14-dev
  appstream dpkg-dev file util-linux"
[ "${1:-}" = "--print" ] && { echo $PACKAGES; exit 0; }
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
