# What `cmake --install` puts where, and the .deb built from it by CPack
# (`cpack -G DEB` in the build directory). Respects CMAKE_INSTALL_PREFIX and
# DESTDIR. Included at the end of the top-level CMakeLists.txt, when every
# program target exists.

foreach(program sigtx sigrx siglink)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

foreach(station sigtx sigrx)
  set(icon ${PROJECT_SOURCE_DIR}/station/icons/${station}.png)
  if(EXISTS ${icon})
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/16x16/apps)
  endif()
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
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libc6 (>= 2.34), libstdc++6 (>= 12), libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6charts6 (>= 6.4), qt6-qpa-plugins (>= 6.4), fonts-dejavu-core")
include(CPack)
