#!/bin/sh
# Installs the Debian 12 packages the project needs, when any is missing.
# Usage: scripts/deps.sh [run|test|fuzz|plot|package]
# test: also what the headless and desktop tests need, and clang, libFuzzer and ccache to build
# the fuzz targets; fuzz: clang and libFuzzer (scripts/fuzz.sh).
set -e
PKGS="build-essential cmake pkg-config git libsdl2-dev libx11-dev libepoxy-dev libturbojpeg0-dev libstb-dev \
libvorbis-dev libopenmpt-dev libcairo2-dev libfreetype-dev fonts-dejavu-core \
libgtest-dev libgmock-dev libbenchmark-dev"
FUZZ_PKGS="clang libclang-rt-14-dev ccache"
if [ "$1" = "fuzz" ]; then
  PKGS="$PKGS $FUZZ_PKGS"
fi
# plot: gnuplot for the win-rate picture of scripts/level_difficulty.sh.
if [ "$1" = "plot" ]; then
  PKGS="$PKGS gnuplot-nox"
fi
# package: dpkg-shlibdeps (dpkg-dev) and lintian for scripts/package.sh, debootstrap for
# scripts/check_package.sh.
if [ "$1" = "package" ]; then
  PKGS="$PKGS dpkg-dev lintian debootstrap"
fi
if [ "$1" = "test" ]; then
  PKGS="$PKGS $FUZZ_PKGS xvfb xdotool xauth mesa-utils libgl1-mesa-dri libegl-mesa0 x11-utils desktop-file-utils appstream"
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
