# Installation (cmake --install): the two programs, the default data set, the desktop entry,
# the AppStream metadata, the theme icons, the manual pages, the copyright file and the change
# log. The game finds its data set at ../share/ostrimar relative to its own folder, so any
# prefix works.
include(GNUInstallDirs)

# The programs' folder: bin by default; the Debian package puts them in games (/usr/games), where
# Debian keeps games and their tools (scripts/package.sh). The data set is found from either.
set(OSTRIMAR_BINDIR ${CMAKE_INSTALL_BINDIR} CACHE STRING "Folder of the programs under the prefix (bin or games)")
install(TARGETS ostrimar ostrimar-data RUNTIME DESTINATION ${OSTRIMAR_BINDIR})
# The data set as datagen made it; the desktop icons and anything a run from the build tree
# wrote are not part of it.
install(DIRECTORY ${PROJECT_BINARY_DIR}/Data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/ostrimar
  PATTERN icons EXCLUDE PATTERN settings EXCLUDE PATTERN .stamp EXCLUDE)
foreach(size 32 48 64 128 256)
  install(FILES ${PROJECT_BINARY_DIR}/Data/icons/ostrimar-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ostrimar.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/dist/org.ostrimar.Ostrimar.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/dist/org.ostrimar.Ostrimar.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The manual pages and the change log compressed as Debian installs them (man reads either);
# gzip -n keeps no name or time, so the files are the same on every build.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(dist_out ${PROJECT_BINARY_DIR}/dist)
set(dist_gz)
foreach(pair "ostrimar.6:ostrimar.6.gz" "ostrimar-data.1:ostrimar-data.1.gz" "changelog:changelog.gz")
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 in)
  list(GET pair 1 out)
  add_custom_command(OUTPUT ${dist_out}/${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dist_out}
    COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/dist/${in} > ${dist_out}/${out}
    DEPENDS ${PROJECT_SOURCE_DIR}/dist/${in})
  list(APPEND dist_gz ${dist_out}/${out})
endforeach()
add_custom_target(dist_gz ALL DEPENDS ${dist_gz})
install(FILES ${dist_out}/ostrimar.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${dist_out}/ostrimar-data.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Copyright and licences (machine-readable, as Debian keeps them) and the change log.
install(FILES ${PROJECT_SOURCE_DIR}/dist/copyright ${dist_out}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ostrimar)
