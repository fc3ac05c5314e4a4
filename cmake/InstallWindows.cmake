# What `cmake --install` and CPack make on Windows (the windows-mingw preset,
# Qt's MinGW 64-bit kit): the two programs with Qt's DLLs and plugins and
# the compiler's runtime beside them (windeployqt, run by Qt's deploy
# script), packed as a ZIP a teacher can unzip anywhere, and as an installer
# with Start-menu entries where NSIS is installed (makensis on the PATH).
# Included at the end of the top-level CMakeLists.txt instead of Install.cmake.

install(TARGETS sigtx sigrx RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(station sigtx sigrx)
  if(Qt6_VERSION VERSION_LESS 6.5)
    qt_generate_deploy_app_script(TARGET ${station} FILENAME_VARIABLE sig_deploy
      NO_UNSUPPORTED_PLATFORM_ERROR)
  else()
    qt_generate_deploy_app_script(TARGET ${station} OUTPUT_SCRIPT sig_deploy
      NO_UNSUPPORTED_PLATFORM_ERROR)
  endif()
  install(SCRIPT ${sig_deploy})
endforeach()

set(CPACK_GENERATOR ZIP)
find_program(SIG_MAKENSIS makensis)
if(SIG_MAKENSIS)
  list(APPEND CPACK_GENERATOR NSIS)
endif()
set(CPACK_PACKAGE_NAME sigstations)
set(CPACK_PACKAGE_VENDOR "sigstations")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "sigstations-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Signal stations")
set(CPACK_STRIP_FILES ON)
# Start-menu entries: program name, then the entry's text.
set(CPACK_PACKAGE_EXECUTABLES sigtx "Signal transmitter (sigtx)" sigrx "Signal receiver (sigrx)")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/station/window/icons/sigtx.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME ${CMAKE_INSTALL_BINDIR}/sigtx.exe)
include(CPack)
