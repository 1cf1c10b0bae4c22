# Installing vokari-tool as a desktop program, and the Debian package.
# The simulator is a developer tool and is not installed.
include(GNUInstallDirs)

set(VOKARI_APP_ID org.vokari.Tool)
set(VOKARI_ICON_SIZES 32 48 64 96 128)

install(TARGETS vokari-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/res/desktop/${VOKARI_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/desktop/${VOKARI_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${VOKARI_ICON_SIZES})
  install(FILES ${PROJECT_SOURCE_DIR}/res/icons/vokari-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${VOKARI_APP_ID}.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vokari-tool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "Vokari tool developers <tool@vokari.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# Library dependencies come from dpkg-shlibdeps; what the binary loads at run
# time without linking (the window-system and media plugins, the font the
# Chinese captions need) is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6multimedia6, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Browse, play and save a Vokari member's songs
 Type another member's home-page number to see the member's picture, counts
 and whole song list; double-click a song to hear it, right-click to save it.")
include(CPack)
