# Installation and the Debian package: both programs, the desktop entry, the icon in the hicolor
# theme, the AppStream metadata and the manual page of kassol-cli. `cpack -G DEB` in the build
# folder writes kassol_VERSION_ARCH.deb; its dependencies are found by dpkg-shlibdeps.
include(GNUInstallDirs)

set(KASSOL_APP_ID at.norvik.kassol)
set(KASSOL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS kassol kassol-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KASSOL_PACKAGING_DIR}/linux/${KASSOL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KASSOL_PACKAGING_DIR}/linux/${KASSOL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KASSOL_PACKAGING_DIR}/icons/${KASSOL_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${KASSOL_PACKAGING_DIR}/icons/${KASSOL_APP_ID}-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${KASSOL_APP_ID}.png)
endforeach()

# Debian installs manual pages compressed, without a time stamp in the gzip header.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(KASSOL_MANPAGE ${CMAKE_CURRENT_BINARY_DIR}/kassol-cli.1.gz)
add_custom_command(OUTPUT ${KASSOL_MANPAGE}
    COMMAND ${GZIP_PROGRAM} -9 -n -c ${KASSOL_PACKAGING_DIR}/kassol-cli.1 > ${KASSOL_MANPAGE}
    DEPENDS ${KASSOL_PACKAGING_DIR}/kassol-cli.1
    VERBATIM)
add_custom_target(kassol_manpage ALL DEPENDS ${KASSOL_MANPAGE})
install(FILES ${KASSOL_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kassol)
set(CPACK_PACKAGE_VERSION 2026.04)
set(CPACK_PACKAGE_VENDOR Norvik)
set(CPACK_PACKAGE_CONTACT "Norvik <kassol@norvik.at>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Einnahmen-Ausgaben-Rechnung und Umsatzsteuer für kleine Betriebe")
set(CPACK_PACKAGE_DESCRIPTION
    "Kassol führt die Bücher kleiner Betriebe in Österreich als Einnahmen-Ausgaben-Rechnung:\n"
    "mehrere Mandanten mit Wirtschaftsjahren und Buchungskreisen, Steuerbuchungen, Umsatzsteuer-\n"
    "Verprobung, Journal und Auswertungen, Exportdatei für die Betriebsprüfung und Datensicherung.\n"
    "Das Programm kassol-cli arbeitet auf denselben Daten von der Befehlszeile aus.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by Qt at run time, so dpkg-shlibdeps cannot see it: the database driver. The X11 and
# offscreen platforms come with libqt6gui6; Wayland desktops show the windows natively with qt6-wayland.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
