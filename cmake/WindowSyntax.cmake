# The window layer and both programs compiled for Windows without being
# linked (the Windows cross build, SIG_WINDOW_SYNTAX): there is no Qt for
# MinGW here, but MinGW g++ -fsyntax-only against this machine's Qt 6 headers
# sets Q_OS_WIN and compiles every file, so a Windows-only compile error (a
# POSIX header, a min/max or ERROR macro clash) shows on every build. The
# programs' resource scripts (their icons) are compiled by windres too.
find_path(SIG_QT_HEADERS QtCore/qglobal.h
  PATHS /usr/include/x86_64-linux-gnu/qt6 /usr/include/qt6
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT SIG_QT_HEADERS)
  message(FATAL_ERROR "SIG_WINDOW_SYNTAX needs Qt 6's headers (Debian: qt6-base-dev and "
                      "qt6-charts-dev, see tools/install-deps); set SIG_QT_HEADERS to their folder")
endif()

file(GLOB sig_window_sources CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/station/window/*.cpp
  ${PROJECT_SOURCE_DIR}/transmitter/*.cpp
  ${PROJECT_SOURCE_DIR}/receiver/*.cpp)
# What Qt's CMake packages add for a MinGW build.
set(sig_window_flags
  -std=c++20 -fsyntax-only ${SIG_STRICT_FLAGS}
  -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_CHARTS_LIB -DQT_NO_DEBUG
  -DUNICODE -D_UNICODE -DWIN32 -DMINGW_HAS_SECURE_API=1 -DSIG_VERSION="${PROJECT_VERSION}"
  -DWIN32_LEAN_AND_MEAN -DNOMINMAX
  -I${PROJECT_SOURCE_DIR}/station/core -I${PROJECT_SOURCE_DIR}/station/window
  -I${PROJECT_SOURCE_DIR}/transmitter -I${PROJECT_SOURCE_DIR}/receiver
  -isystem ${SIG_QT_HEADERS})
foreach(module QtCore QtGui QtWidgets QtCharts)
  list(APPEND sig_window_flags -isystem ${SIG_QT_HEADERS}/${module})
endforeach()

set(sig_window_stamps)
foreach(source ${sig_window_sources})
  file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${source})
  string(REPLACE "/" "_" stamp ${name})
  set(stamp ${CMAKE_BINARY_DIR}/window-syntax/${stamp}.ok)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_CXX_COMPILER} ${sig_window_flags} -MD -MF ${stamp}.d -MT ${stamp} ${source}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${source}
    DEPFILE ${stamp}.d
    COMMENT "Compiling ${name} for Windows (syntax only)"
    VERBATIM)
  list(APPEND sig_window_stamps ${stamp})
endforeach()
add_custom_target(window_syntax ALL DEPENDS ${sig_window_stamps})

enable_language(RC)
include(${PROJECT_SOURCE_DIR}/cmake/StationResource.cmake)
sig_station_resource(sigtx "Signal transmitter (sigtx)" sig_sigtx_rc)
sig_station_resource(sigrx "Signal receiver (sigrx)" sig_sigrx_rc)
add_library(station_icons OBJECT ${sig_sigtx_rc} ${sig_sigrx_rc})
