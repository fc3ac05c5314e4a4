# cmake -DPROGRAMS="PATH;..." -DPAGES=DIR -DVERSION=1.0.0 -P texts-agree.cmake
# What the programs say of themselves and what their manual pages say agree:
# every option a program's --help names is in its page NAME.1, its
# --version answers "NAME (sigstations) VERSION", and the page's header
# carries that version.
cmake_policy(VERSION 3.25)
set(failures)
foreach(program ${PROGRAMS})
  get_filename_component(name ${program} NAME_WE)
  execute_process(COMMAND ${program} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(APPEND failures "${name} --help ended with ${status}")
  endif()
  execute_process(COMMAND ${program} --version OUTPUT_VARIABLE version RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT version STREQUAL "${name} (sigstations) ${VERSION}\n")
    list(APPEND failures "${name} --version said \"${version}\" (status ${status})")
  endif()

  # The page as it reads: "\-\-port" is --port, font changes are no text.
  file(READ ${PAGES}/${name}.1 page)
  string(REPLACE "\\-" "-" page "${page}")
  string(REGEX REPLACE "\\\\f[BIRP]" "" page "${page}")
  if(NOT page MATCHES "(^|\n)\\.TH [^\n]*\"sigstations ${VERSION}\"")
    list(APPEND failures "${name}.1 does not carry version ${VERSION} in its header")
  endif()
  # Options: a dash or two after a blank, a bracket, a bar or a line's start
  # (brackets and semicolons are no text for CMake's lists).
  string(REGEX REPLACE "[][\n\t|,();]" " " help " ${help}")
  string(REGEX MATCHALL " --?[a-z][a-z-]*" options "${help}")
  list(TRANSFORM options STRIP)
  list(REMOVE_DUPLICATES options)
  foreach(option ${options})
    if(NOT page MATCHES "(^|[^a-z-])${option}([^a-z-]|$)")
      list(APPEND failures "${name}.1 does not name ${option}, which ${name} --help names")
    endif()
  endforeach()
  list(LENGTH options count)
  message(STATUS "${name}: ${count} options (${options}), all in ${name}.1")
endforeach()
if(failures)
  list(JOIN failures "\n  " failures)
  message(FATAL_ERROR "the texts disagree:\n  ${failures}")
endif()
