# What `cmake --install` and CPack make on Windows: the two programs in bin/
# with Qt's DLLs and plugins and the compiler's runtime beside them, a
# README.txt, the licences and the project's source; packed as a ZIP a
# teacher can unzip anywhere, and as an installer with Start-menu entries
# where NSIS is installed (makensis on the PATH). Two builds make them: the
# native one with Qt's MinGW kit (windows-mingw; windeployqt, run by Qt's
# deploy script) and the cross build on Linux (windows-kit;
# cmake/DeployWindows.cmake with the build's own settings file).
# Included at the end of the top-level CMakeLists.txt instead of Install.cmake.

set(sig_windows_package ${PROJECT_SOURCE_DIR}/tools/package/windows)
install(TARGETS sigtx sigrx RUNTIME DESTINATION bin)
foreach(station sigtx sigrx)
  if(CMAKE_CROSSCOMPILING)
    # (CPack strips: CPACK_STRIP_FILES.)
    install(CODE "
      set(sig_strip)
      if(CMAKE_INSTALL_DO_STRIP)
        set(sig_strip \"-DSTRIP=${CMAKE_STRIP}\")
      endif()
      execute_process(COMMAND \"${CMAKE_COMMAND}\"
        \"-DPROGRAM=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${station}.exe\"
        \"-DDESTINATION=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\" \${sig_strip}
        \"-DSETTINGS=${SIG_DEPLOY_SETTINGS}\" -P \"${PROJECT_SOURCE_DIR}/cmake/DeployWindows.cmake\"
        COMMAND_ERROR_IS_FATAL ANY)")
  elseif(Qt6_VERSION VERSION_LESS 6.5)
    qt_generate_deploy_app_script(TARGET ${station} FILENAME_VARIABLE sig_deploy
      NO_UNSUPPORTED_PLATFORM_ERROR)
    install(SCRIPT ${sig_deploy})
  else()
    qt_generate_deploy_app_script(TARGET ${station} OUTPUT_SCRIPT sig_deploy
      NO_UNSUPPORTED_PLATFORM_ERROR)
    install(SCRIPT ${sig_deploy})
  endif()
endforeach()

# The licences: the package carries Qt Charts (GPL-3.0 only), so it is
# conveyed as a whole under the GPL, with the source of what it carries.
if(CMAKE_CROSSCOMPILING)
  # Qt and the runtime DLLs as tools/build-qt-mingw-kit and Debian's MinGW-w64
  # packages make them; Debian's copyright files list every licence inside
  # (the third-party code in qtbase too).
  set(SIG_PACKAGE_SOURCES [[
  Qt: built for MinGW-w64 as tools/build-qt-mingw-kit (in the source
    archive) builds it, with the one change it names, from qtbase-everywhere-src-6.4.2 as
    Debian ships it (the source package qt6-base 6.4.2+dfsg,
    https://deb.debian.org/debian/pool/main/q/qt6-base/) and
    qtcharts-everywhere-src-6.4.2.tar.xz
    (https://download.qt.io/archive/qt/6.4/6.4.2/submodules/).
    Licences of qtbase's parts: licenses\qtbase.txt; Qt Charts':
    licenses\qtcharts.txt.
  The compiler's runtime DLLs: libstdc++-6.dll and libgcc_s_seh-1.dll from
    GCC 12 (GPL-3 with the GCC Runtime Library Exception), from Debian's
    source package gcc-mingw-w64 (licenses\gcc-mingw-w64.txt);
    libwinpthread-1.dll from Debian's source package mingw-w64
    (licenses\mingw-w64.txt).]])
  set(sig_copyrights qtbase=libqt6core6 qtcharts=libqt6charts6
                     gcc-mingw-w64=gcc-mingw-w64-base mingw-w64=mingw-w64-common)
  foreach(pair ${sig_copyrights})
    string(REPLACE "=" ";" pair ${pair})
    list(GET pair 0 name)
    list(GET pair 1 debian)
    if(NOT EXISTS /usr/share/doc/${debian}/copyright)
      message(FATAL_ERROR "The Windows package needs /usr/share/doc/${debian}/copyright (Debian's package ${debian})")
    endif()
    install(FILES /usr/share/doc/${debian}/copyright DESTINATION licenses RENAME ${name}.txt)
  endforeach()
else()
  set(SIG_PACKAGE_SOURCES "  Qt ${Qt6_VERSION}: the \"Sources\" of Qt's installer, or
    https://download.qt.io/archive/qt/ (qtbase and qtcharts).
  The compiler's runtime DLLs: the MinGW-w64 sources, https://www.mingw-w64.org/.")
endif()
configure_file(${sig_windows_package}/README.txt.in ${CMAKE_BINARY_DIR}/package/README.txt @ONLY)
configure_file(${sig_windows_package}/LICENSE.txt.in ${CMAKE_BINARY_DIR}/package/LICENSE.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/LICENSE.txt DESTINATION .)
install(FILES ${sig_windows_package}/GPL-3.txt ${sig_windows_package}/LGPL-3.txt DESTINATION licenses)
install(FILES ${PROJECT_SOURCE_DIR}/tools/package/copyright DESTINATION licenses RENAME sigstations.txt)
install(CODE "
  execute_process(COMMAND \"${CMAKE_COMMAND}\" \"-DSOURCE=${PROJECT_SOURCE_DIR}\"
    \"-DARCHIVE=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/source/sigstations-${PROJECT_VERSION}.zip\"
    -DNAME=sigstations-${PROJECT_VERSION} -P \"${PROJECT_SOURCE_DIR}/cmake/SourceArchive.cmake\"
    COMMAND_ERROR_IS_FATAL ANY)")

# The values below reach the installer script as they are written here.
set(CPACK_VERBATIM_VARIABLES ON)
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
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_BINARY_DIR}/package/LICENSE.txt)
set(CPACK_STRIP_FILES ON)
# Start-menu entries (each with its program's icon): program name, then the
# entry's text.
set(CPACK_PACKAGE_EXECUTABLES sigtx "Signal transmitter (sigtx)" sigrx "Signal receiver (sigrx)")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/station/window/icons/sigtx.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\sigtx.exe")
# One key for every version, so that a newer installer finds an earlier
# installation and removes it first (silently under /S). It must differ
# from the stations' settings, HKCU and HKLM\Software\sigstations\sigstations,
# which the uninstaller removes with its own key otherwise; the vendor's key
# goes only when nothing else is left in it.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Signal stations")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [[
  DeleteRegKey SHCTX "Software\sigstations\Signal stations"
  DeleteRegKey /ifempty SHCTX "Software\sigstations"]])
if(CMAKE_CROSSCOMPILING AND SIG_MAKENSIS)
  # A 64-bit installer (see the wrapper); official NSIS releases for Windows
  # ship 32-bit stubs only, which a 64-bit Windows runs as well.
  set(CPACK_NSIS_EXECUTABLE ${sig_windows_package}/makensis-amd64)
endif()
include(CPack)
