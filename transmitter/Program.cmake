# The transmit run as a library (the window tests drive it in-process) and the
# sigtx program around it.
add_library(sigtx_run STATIC TransmitRun.h TransmitRun.cpp)
target_include_directories(sigtx_run PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(sigtx_run PUBLIC sigtx_core station_window)
set_target_properties(sigtx_run PROPERTIES AUTOMOC ON AUTORCC ON)
sig_strict(sigtx_run)
qt_add_resources(sigtx_run sigtx_icon PREFIX /icons
  BASE ${PROJECT_SOURCE_DIR}/station/icons
  FILES ${PROJECT_SOURCE_DIR}/station/icons/sigtx.png)

add_executable(sigtx main.cpp)
target_link_libraries(sigtx PRIVATE sigtx_run)
set_target_properties(sigtx PROPERTIES AUTOMOC ON AUTORCC ON)
sig_strict(sigtx)
