#!/bin/sh
# Builds the Debian package: an optimised build with Debian's hardening flags in build-pkg, the
# default data set, `cpack -G DEB`, then lintian. Prints the path of the .deb on the last line.
# Usage: scripts/package.sh [BUILD_DIR]   (default build-pkg)
# docs/packaging.md tells what the package holds; scripts/check_package.sh installs it into a
# clean Debian 12 root.
set -e
cd "$(dirname "$0")/.."
BUILD=${1:-build-pkg}
scripts/deps.sh package

# The flags a Debian package is built with (stack protector, fortified calls, read-only
# relocations, immediate binding); CMake's Release flags (-O3 -DNDEBUG) come after them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
CFLAGS="$(dpkg-buildflags --get CFLAGS) $CPPFLAGS"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $CPPFLAGS"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
# shellcheck disable=SC2086
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DOSTRIMAR_TESTS=OFF -DOSTRIMAR_BENCH=OFF \
  -DCMAKE_C_FLAGS="$CFLAGS" -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
  -DCMAKE_INSTALL_PREFIX=/usr -DOSTRIMAR_BINDIR=games $launcher
cmake --build "$BUILD" -j"${JOBS:-2}"

cd "$BUILD"
rm -f ostrimar_*.deb
cpack -G DEB
DEB=$(find . -maxdepth 1 -name "ostrimar_*_*.deb" | sed "s|^\./||")
# Errors fail the build; warnings and notes are printed for the packager to judge.
lintian --fail-on error --display-info "$DEB"
echo "$(pwd)/$DEB"
