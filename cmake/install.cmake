# Where an installed copy keeps its files: the program in bin, its read-only
# files in share/kesto (the program finds them there from bin/..), and the
# desktop's entry, icons and catalogue data where the desktop looks. The
# writable files then live in $XDG_CONFIG_HOME/kesto.
include(GNUInstallDirs)
install(TARGETS kesto RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES share/Documentation.html DESTINATION ${CMAKE_INSTALL_DATADIR}/kesto)
install(FILES ${kesto_schemes} DESTINATION ${CMAKE_INSTALL_DATADIR}/kesto/Schemes)
install(FILES share/kesto.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES share/io.kesto.Kesto.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256)
    install(FILES share/icons/kesto-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kesto.png)
endforeach()
install(FILES share/icons/kesto.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# A Debian package of the same: `cpack --config build/CPackConfig.cmake` or
# `ninja -C build package`, then `apt install ./kesto_*.deb`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kesto)
set(CPACK_PACKAGE_VENDOR "Kesto developers")
set(CPACK_PACKAGE_CONTACT "Kesto developers <kesto@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small, fast, keyboard-driven music player")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Plays MP3, MP2, MP1, WAV and OGG Vorbis files and internet radio from one\n\
 window with one playlist of any size, gapless, with recording of a stream to\n\
 WAV, global hotkeys and desktop media controls.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, pulseaudio | pipewire-pulse, fonts-wqy-microhei")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
