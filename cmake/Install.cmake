# What `cmake --install` puts where, and the .deb built from it by CPack
# (`cpack -G DEB` in the build directory). Respects CMAKE_INSTALL_PREFIX and
# DESTDIR. Included at the end of the top-level CMakeLists.txt, when every
# program target exists.

set(sig_icons ${PROJECT_SOURCE_DIR}/station/window/icons)
set(sig_package ${PROJECT_SOURCE_DIR}/tools/package)

install(TARGETS sigtx sigrx siglink RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Menu entries and their icons: the hand-drawn 16x16 (also the window icon),
# larger sizes made from the SVG by icons/make-icons.sh, and the SVG itself.
set(sig_hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
foreach(station sigtx sigrx)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/desktop/${station}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${sig_icons}/${station}.png DESTINATION ${sig_hicolor}/16x16/apps)
  foreach(size 32 48 64 128 256)
    install(FILES ${sig_icons}/${station}-${size}.png
            DESTINATION ${sig_hicolor}/${size}x${size}/apps RENAME ${station}.png)
  endforeach()
  install(FILES ${sig_icons}/${station}.svg DESTINATION ${sig_hicolor}/scalable/apps)
endforeach()

# Manual pages and the changelog go in gzip'd; -n leaves out the name and
# time stamp, so the same sources give the same bytes (lintian asks for it).
# Done while configuring, so installing never depends on which targets were
# built; a changed source re-runs the configuration.
set(sig_gzipped ${CMAKE_CURRENT_BINARY_DIR}/package)
file(MAKE_DIRECTORY ${sig_gzipped})
foreach(file sigtx.1 sigrx.1 siglink.1 changelog)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sig_package}/${file})
  execute_process(COMMAND gzip -9n -c ${sig_package}/${file}
                  OUTPUT_FILE ${sig_gzipped}/${file}.gz COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${sig_gzipped}/sigtx.1.gz ${sig_gzipped}/sigrx.1.gz ${sig_gzipped}/siglink.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${sig_package}/copyright ${sig_gzipped}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The changelog's latest entry names the version and who made it; the package
# takes its maintainer from there, and a version the project does not have
# stops the configuration rather than shipping a changelog that disagrees.
file(STRINGS ${sig_package}/changelog sig_release LIMIT_COUNT 1)
file(STRINGS ${sig_package}/changelog sig_signature REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX MATCH "^sigstations \\(([^)]+)\\)" _ "${sig_release}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "tools/package/changelog: the latest entry is for version "
                      "'${CMAKE_MATCH_1}', the project is ${PROJECT_VERSION}")
endif()
string(REGEX MATCH "^ -- (.+>)  " _ "${sig_signature}")
set(sig_maintainer "${CMAKE_MATCH_1}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sigstations)
set(CPACK_PACKAGE_VENDOR "sigstations")
set(CPACK_PACKAGE_CONTACT "${sig_maintainer}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "signal stations for a teaching lab's serial line")
set(CPACK_PACKAGE_DESCRIPTION [[
Two desktop programs for teaching serial communication. sigtx, the
transmitting station, generates two test signals of 200 samples (one
uniformly, one normally distributed), lists them, charts their histograms,
autocorrelations and cross sums, and sends both as one binary frame of 1202
bytes over a serial line at 9600 baud, 8N1. sigrx, the receiving station,
takes the frame from its own serial port and shows the same lists and
charts, so that the two windows side by side show what was sent and what
arrived.

siglink joins the two stations on one machine through a virtual null-modem
cable paced like a real line; each station takes its end with --port.]])
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps; what they load at
# run time without linking it (Qt's platform plugins, a font) is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins (>= 6.4), fonts-dejavu-core")
include(CPack)
