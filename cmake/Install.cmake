# Installation (cmake --install): the two programs, the default data set, the desktop entry,
# the AppStream metadata, the theme icons and the manual pages. The game finds its data set at
# ../share/ostrimar relative to its own folder, so any prefix works.
include(GNUInstallDirs)

install(TARGETS ostrimar ostrimar-data RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
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
install(FILES ${PROJECT_SOURCE_DIR}/dist/ostrimar.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_SOURCE_DIR}/dist/ostrimar-data.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
