# The receive run as a library (the window tests drive it in-process) and the
# sigrx program around it.
add_library(sigrx_run STATIC ReceiveRun.h ReceiveRun.cpp)
target_include_directories(sigrx_run PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(sigrx_run PUBLIC station_window)
set_target_properties(sigrx_run PROPERTIES AUTOMOC ON AUTORCC ON)
sig_strict(sigrx_run)
qt_add_resources(sigrx_run sigrx_icon PREFIX /icons
  BASE ${PROJECT_SOURCE_DIR}/station/icons
  FILES ${PROJECT_SOURCE_DIR}/station/icons/sigrx.png)

add_executable(sigrx main.cpp)
target_link_libraries(sigrx PRIVATE sigrx_run)
set_target_properties(sigrx PROPERTIES AUTOMOC ON AUTORCC ON)
sig_strict(sigrx)
