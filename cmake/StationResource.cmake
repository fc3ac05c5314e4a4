# sig_station_resource(NAME TITLE OUT): makes NAME.rc in the build folder,
# the resource script of NAME.exe (its icon, icons/NAME.ico, and its version
# as Explorer shows it, with TITLE as the file's description), and sets OUT
# to its path.
function(sig_station_resource name title out)
  set(SIG_RC_NAME ${name})
  set(SIG_RC_TITLE ${title})
  set(SIG_RC_ICON ${PROJECT_SOURCE_DIR}/station/window/icons/${name}.ico)
  configure_file(${PROJECT_SOURCE_DIR}/station/window/icons/station.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc @ONLY)
  set(${out} ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc PARENT_SCOPE)
endfunction()
