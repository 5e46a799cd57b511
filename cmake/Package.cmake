# The Debian package (cpack -G DEB, scripts/package.sh): what cmake --install lays out under
# /usr, with the dependencies dpkg-shlibdeps reads from the two programs. docs/packaging.md.
set(OSTRIMAR_MAINTAINER "Ostrimar developers <dev@ostrimar.org>" CACHE STRING
  "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrimar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Ostrimar developers")
set(CPACK_PACKAGE_CONTACT ${OSTRIMAR_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${OSTRIMAR_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Added to what dpkg-shlibdeps finds: OpenGL is loaded at run time (SDL and libepoxy open
# libGL.so.1 with dlopen), so no binary names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The first line is the synopsis; CPack indents the rest as the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "casual puzzle game of breaking groups of treasures
Click a connected group of two or more like-coloured figures on an 11 by 12
board to break it; the figures above fall into the gaps and new ones drop
in. A level is won when no square is left under the figures. Large groups
make bombs and thunder, a hammer breaks any single figure.
.
Three ways to play (against the clock, without a limit, or against a number
of moves) along a river road through fifteen lands, with trophies, high
scores and saved games per player. The package also holds ostrimar-data, a
command-line tool to inspect and make data sets.")
include(CPack)
