# What `cmake --install` puts where, and the .deb built from it by CPack
# (`cpack -G DEB` in the build directory). Respects CMAKE_INSTALL_PREFIX and
# DESTDIR. Included at the end of the top-level CMakeLists.txt, when every
# program target exists.

install(TARGETS sigtx sigrx siglink RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

foreach(station sigtx sigrx)
  install(FILES ${PROJECT_SOURCE_DIR}/station/window/icons/${station}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/16x16/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/desktop/${station}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sigstations)
set(CPACK_PACKAGE_VENDOR "sigstations")
set(CPACK_PACKAGE_CONTACT "sigstations maintainers <sigstations@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The libraries the programs link come from dpkg-shlibdeps; what they load at
# run time without linking it (Qt's platform plugins, a font) is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins (>= 6.4), fonts-dejavu-core")
include(CPack)
