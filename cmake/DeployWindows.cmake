# DeployWindows.cmake - puts beside a Windows program what it needs to start,
# without windeployqt (which does not run on Linux): the DLLs it imports and
# theirs in turn, read from the PE import tables with objdump (Qt's DLLs and
# the compiler's runtime DLLs they import), and the plugins Qt loads at run
# time from folders beside the program. Windows' own DLLs are left to Windows.
#
#   cmake -DPROGRAM=X.exe -DDESTINATION=DIR -DSETTINGS=BUILD/deploy-windows.cmake
#         [-DSTRIP=STRIP] -P DeployWindows.cmake
#
# With STRIP (a package's install step) the copies lose their symbols: the
# kit's and the compiler's DLLs carry them, more than half their size.
#
# SETTINGS (written by station/window/CMakeLists.txt) sets SEARCH, the folders
# to find DLLs in; PLUGIN_DIR and PLUGINS, the kit's plugin folder and the
# plugins to take from it (platforms/qwindows.dll, ...); and OBJDUMP.
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
# (CMake's file(GET_RUNTIME_DEPENDENCIES) does so too, then fails to find the
# lower-case name on a case-sensitive disk.)
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
      # What the search folders do not hold is Windows' own (KERNEL32.dll and
      # the like); a Qt or runtime DLL missing would leave a program that
      # cannot start.
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
