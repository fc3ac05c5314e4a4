# DeployWindows.cmake - Windows deployment, all of it: what a station needs
# beside it in the build folder, and what `cmake --install` and CPack make.
#
# Included by the top-level CMakeLists.txt for a Windows build of the
# stations, before the programs are defined:
#  - sig_deploy_station(NAME), which sig_add_station calls: after each build
#    Qt's DLLs and plugins and the compiler's runtime go beside NAME.exe, so
#    that it runs from the build folder (natively windeployqt; in the cross
#    build, where windeployqt does not run, this file in script mode, below),
#    and the install rules put NAME.exe in bin\ with the same files, stripped
#    of their symbols in the packages;
#  - the package: a README.txt, the licences and the project's source beside
#    bin\, packed as a ZIP a teacher can unzip anywhere, and as an installer
#    with Start-menu entries where NSIS is installed (makensis on the PATH).
# Two builds make them: the native one with Qt's MinGW kit (windows-mingw)
# and the cross build on Linux (windows-kit).
#
# Script mode, the cross build's deployment:
#   cmake -DPROGRAM=X.exe -DDESTINATION=DIR -DSETTINGS=BUILD/deploy-windows.cmake
#         [-DSTRIP=STRIP] -P DeployWindows.cmake
# copies the DLLs X.exe imports and theirs in turn, read from the PE import
# tables with objdump (Qt's DLLs and the compiler's runtime DLLs they
# import), and the plugins Qt loads at run time from folders beside the
# program. Windows' own DLLs are left to Windows. With STRIP (the install
# step of a package) the copies lose their symbols: the kit's and the
# compiler's DLLs carry them, more than half their size. SETTINGS (written
# below at configure time) sets SEARCH, the folders to find DLLs in;
# PLUGIN_DIR and PLUGINS, the kit's plugin folder and the plugins to take
# from it; and OBJDUMP.
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_policy(VERSION 3.25)
  if(SETTINGS)
    include(${SETTINGS})
  endif()
  foreach(variable PROGRAM DESTINATION SEARCH PLUGIN_DIR OBJDUMP)
    if(NOT ${variable})
      message(FATAL_ERROR "DeployWindows.cmake: ${variable} is not set")
    endif()
  endforeach()

  # Windows reads DLL names in any letter case, and the import tables say
  # "QT6CORE.dll" as readily as "Qt6Core.dll": look them up by lower case.
  # (CMake's file(GET_RUNTIME_DEPENDENCIES) does so too, then fails to find
  # the lower-case name on a case-sensitive disk.)
  foreach(folder ${SEARCH})
    file(GLOB dlls ${folder}/*.dll)
    foreach(dll ${dlls})
      get_filename_component(name ${dll} NAME)
      string(TOLOWER ${name} key)
      if(NOT DEFINED sig_path_${key})
        set(sig_path_${key} ${dll})
      endif()
    endforeach()
  endforeach()

  # The imports of the program and the plugins, and theirs in turn.
  set(sig_todo ${PROGRAM})
  foreach(plugin ${PLUGINS})
    list(APPEND sig_todo ${PLUGIN_DIR}/${plugin})
  endforeach()
  set(sig_found)
  while(sig_todo)
    list(POP_FRONT sig_todo file)
    execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "DeployWindows.cmake: ${OBJDUMP} cannot read ${file}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
    foreach(import ${imports})
      string(REGEX REPLACE "DLL Name: " "" name "${import}")
      string(STRIP "${name}" name)
      string(TOLOWER "${name}" key)
      if(DEFINED sig_path_${key})
        if(NOT "${sig_path_${key}}" IN_LIST sig_found)
          list(APPEND sig_found ${sig_path_${key}})
          list(APPEND sig_todo ${sig_path_${key}})
        endif()
      elseif(key MATCHES "^(qt6|lib)")
        # What the search folders do not hold is Windows' own (KERNEL32.dll
        # and the like); a Qt or runtime DLL missing would leave a program
        # that cannot start.
        message(FATAL_ERROR "DeployWindows.cmake: ${file} needs ${name}, which none of ${SEARCH} holds")
      endif()
    endforeach()
  endwhile()

  file(COPY ${sig_found} DESTINATION ${DESTINATION})
  set(sig_copies)
  foreach(dll ${sig_found})
    get_filename_component(name ${dll} NAME)
    list(APPEND sig_copies ${DESTINATION}/${name})
  endforeach()
  foreach(plugin ${PLUGINS})
    get_filename_component(folder ${plugin} DIRECTORY)
    file(COPY ${PLUGIN_DIR}/${plugin} DESTINATION ${DESTINATION}/${folder})
    list(APPEND sig_copies ${DESTINATION}/${plugin})
  endforeach()
  if(STRIP)
    foreach(copy ${sig_copies})
      execute_process(COMMAND ${STRIP} --strip-unneeded ${copy} COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()
  return()
endif()

set(SIG_DEPLOY_WINDOWS ${CMAKE_CURRENT_LIST_FILE})
if(CMAKE_CROSSCOMPILING)
  # Where the DLLs are: the Qt DLLs in the kit's bin folder, the compiler's
  # runtime DLLs where the compiler keeps them.
  set(SIG_DEPLOY_SEARCH ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
  foreach(dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
      OUTPUT_VARIABLE sig_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(sig_dll_dir ${sig_dll} DIRECTORY)
    get_filename_component(sig_dll_dir ${sig_dll_dir} REALPATH)
    list(APPEND SIG_DEPLOY_SEARCH ${sig_dll_dir})
  endforeach()
  # The tests run Qt programs from their own folders: they find the same
  # DLLs through the search path (tests/CMakeLists.txt).
  set(SIG_DEPLOY_SEARCH ${SIG_DEPLOY_SEARCH} CACHE INTERNAL "")
  # For script mode, in a file of settings that the build step and the
  # install step both read (lists do not pass through a command line).
  set(SIG_DEPLOY_SETTINGS ${CMAKE_BINARY_DIR}/deploy-windows.cmake)
  file(WRITE ${SIG_DEPLOY_SETTINGS}
    "set(SEARCH \"${SIG_DEPLOY_SEARCH}\")\n"
    "set(PLUGIN_DIR \"${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}\")\n"
    "set(PLUGINS platforms/qwindows.dll styles/qwindowsvistastyle.dll)\n"
    "set(OBJDUMP \"${CMAKE_OBJDUMP}\")\n")
else()
  # windeployqt, from the Qt kit's bin folder.
  find_program(SIG_WINDEPLOYQT windeployqt HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} REQUIRED)
endif()

# sig_deploy_station(NAME): deployment beside NAME.exe after each build, and
# its install rules.
function(sig_deploy_station name)
  install(TARGETS ${name} RUNTIME DESTINATION bin)
  if(CMAKE_CROSSCOMPILING)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${name}> -DDESTINATION=$<TARGET_FILE_DIR:${name}>
              -DSETTINGS=${SIG_DEPLOY_SETTINGS} -P ${SIG_DEPLOY_WINDOWS}
      VERBATIM)
    # (CPack strips: CPACK_STRIP_FILES.)
    install(CODE "
      set(sig_strip)
      if(CMAKE_INSTALL_DO_STRIP)
        set(sig_strip \"-DSTRIP=${CMAKE_STRIP}\")
      endif()
      execute_process(COMMAND \"${CMAKE_COMMAND}\"
        \"-DPROGRAM=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${name}.exe\"
        \"-DDESTINATION=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\" \${sig_strip}
        \"-DSETTINGS=${SIG_DEPLOY_SETTINGS}\" -P \"${SIG_DEPLOY_WINDOWS}\"
        COMMAND_ERROR_IS_FATAL ANY)")
  else()
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${SIG_WINDEPLOYQT} --no-translations $<TARGET_FILE:${name}>
      VERBATIM)
    # Qt's deploy script runs windeployqt on the installed program.
    if(Qt6_VERSION VERSION_LESS 6.5)
      set(script FILENAME_VARIABLE)
    else()
      set(script OUTPUT_SCRIPT)
    endif()
    qt_generate_deploy_app_script(TARGET ${name} ${script} deploy NO_UNSUPPORTED_PLATFORM_ERROR)
    install(SCRIPT ${deploy})
  endif()
endfunction()

# The licences: the package carries Qt Charts (GPL-3.0 only), so it is
# conveyed as a whole under the GPL, with the source of what it carries.
set(sig_windows_package ${PROJECT_SOURCE_DIR}/tools/package/windows)
if(CMAKE_CROSSCOMPILING)
  # Qt and the runtime DLLs as tools/build-qt-mingw-kit and Debian's MinGW-w64
  # packages make them; Debian's copyright files list every licence inside
  # (the third-party code in qtbase too).
  set(SIG_PACKAGE_SOURCES [[
  Qt: built for MinGW-w64 as tools/build-qt-mingw-kit (in the source
    archive) builds it, with the one change it names, from
    qtbase-everywhere-src-6.4.2 as Debian ships it (Debian's source package
    qt6-base, version 6.4.2+dfsg: "apt-get source qt6-base") and
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
