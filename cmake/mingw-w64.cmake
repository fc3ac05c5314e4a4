# Cross build for 64-bit Windows with Debian's MinGW-w64 (packages
# g++-mingw-w64-x86-64-posix and, to run what it builds, wine and wine64):
# the core, the transmitter's core and their tests; with a Qt kit built for
# this compiler (SIG_QT_MINGW, an unpacked kit: tools/qt-mingw-kit) also the
# stations and the window tests. The "posix" compiler has std::thread; its
# long double is the 80-bit type, as on Linux. tools/build-qt-mingw-kit
# builds that kit with this file too (without a kit).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A Qt kit: CMake finds packages only under the find root, so the kit joins
# it; the kit's host tools (moc, rcc) are this machine's own Qt's.
set(SIG_QT_MINGW "" CACHE PATH "An unpacked Qt kit for MinGW-w64 (tools/qt-mingw-kit); empty: no Qt, the core alone")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SIG_QT_MINGW)
if(SIG_QT_MINGW)
  list(APPEND CMAKE_FIND_ROOT_PATH ${SIG_QT_MINGW})
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()

# ctest (and GoogleTest's discovery) runs the programs under wine, in a
# prefix of this build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/support/wine-run;${CMAKE_BINARY_DIR}/wine)
