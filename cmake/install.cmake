# Install: the program, its shipped data, a desktop entry that also takes irc:// and
# ircs:// links, and an icon, all under the usual XDG folders of the prefix.
# `cmake --install build --prefix P` lays them out; `make package` wraps them in a .deb.
install(TARGETS quorlirc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS quorl_wavout LIBRARY DESTINATION ${QUORL_INSTALL_MODULEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${QUORL_INSTALL_DATADIR})
install(FILES ${PROJECT_SOURCE_DIR}/dist/quorlirc.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/dist/quorlirc.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorlirc)
set(CPACK_PACKAGE_VENDOR "QuorlIRC")
set(CPACK_PACKAGE_CONTACT "QuorlIRC developers <quorlirc@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop IRC client with DCC chat and file transfer")
set(CPACK_PACKAGE_DESCRIPTION
  "QuorlIRC is a desktop IRC client: one server connection, channels and private chats,\n\
direct client-to-client chat and file transfer, sounds, themes, menu mods and script\n\
objects. It opens irc:// and ircs:// links.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries the program and the wave module link come from dpkg-shlibdeps, which
# reads every ELF file of the package. FluidSynth is opened at run time for MIDI sounds, so
# it is named here; the SVG plugin draws the icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfluidsynth3, libqt6svg6")
# A sound font for MIDI, and fonts with Japanese, Chinese and Korean glyphs and colour emoji
# so that such text in chat is not drawn as empty boxes. The program runs without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont, fonts-noto-cjk, fonts-noto-color-emoji")
include(CPack)
