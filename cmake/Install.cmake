# Installing like any other desktop program: `cmake --install` puts the
# program, its help pages, the desktop entry, the icon and the AppStream
# metadata under the prefix (GNUInstallDirs), and `cpack -G DEB` packs the
# same tree into a Debian package.
#
# The marker file "installed" in the data folder tells the program that it
# was installed: it then keeps its settings in $XDG_CONFIG_HOME/korvanta/
# and reads its help pages from the data folder. A build tree has no marker
# and keeps both beside the program.

include(GNUInstallDirs)

# Installing and packing take what the build made and build nothing
# themselves: build first (CI packs the tree its tests ran on).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(korvanta_data ${CMAKE_INSTALL_DATADIR}/korvanta)
set(korvanta_desktop ${CMAKE_SOURCE_DIR}/app/desktop)

install(TARGETS korvanta RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/app/man/korvanta.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET korvanta-measure)
  install(TARGETS korvanta-measure RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${KORVANTA_MEASURE_MAN} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${KORVANTA_HELP_PAGES} DESTINATION ${korvanta_data})
install(FILES ${KORVANTA_HELP_IMAGES} DESTINATION ${korvanta_data}/images)
file(WRITE ${CMAKE_BINARY_DIR}/installed
     "Korvanta was installed here: its settings live in $XDG_CONFIG_HOME/korvanta/.\n")
install(FILES ${CMAKE_BINARY_DIR}/installed DESTINATION ${korvanta_data})
install(FILES ${korvanta_desktop}/korvanta.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${korvanta_desktop}/korvanta.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${korvanta_desktop}/korvanta.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvanta)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}.0)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Audio test equipment with the sound card")
set(CPACK_PACKAGE_DESCRIPTION
    "Spectrum analyzer, generator, frequency response sweep, oscilloscope and THD+N analysis using the sound card's output and input; with a virtual loopback card for machines without one.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Korvanta developers <korvanta@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# Libraries are found by dpkg-shlibdeps; what the program only reads at run
# time is named here: the fonts the diagram is laid out for and Qt's own
# German texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "alsa-utils")
include(CPack)
