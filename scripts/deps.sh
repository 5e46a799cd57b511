#!/bin/sh
# Installs the Debian 12 packages the project needs, when any is missing.
# Usage: scripts/deps.sh [run|test]
set -e
PKGS="build-essential cmake pkg-config git libsdl2-dev libepoxy-dev libturbojpeg0-dev libstb-dev \
libvorbis-dev libopenmpt-dev libcairo2-dev libfreetype-dev fonts-dejavu-core \
libgtest-dev libgmock-dev libbenchmark-dev"
if [ "$1" = "test" ]; then
  PKGS="$PKGS xvfb xdotool xauth mesa-utils libgl1-mesa-dri libegl-mesa0 x11-utils desktop-file-utils appstream"
fi
MISSING=""
for p in $PKGS; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    MISSING="$MISSING $p"
  fi
done
[ -z "$MISSING" ] && exit 0
echo "Installing:$MISSING"
SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends $MISSING
