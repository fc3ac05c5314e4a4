# SourceArchive.cmake - the project's source as a ZIP, for the Windows
# package (it carries Qt under the GPL, so it carries the source of the
# programs beside it too).
#
#   cmake -DSOURCE=DIR -DARCHIVE=FILE.zip -DNAME=sigstations-1.0.0 -P SourceArchive.cmake
#
# In a git checkout: the tracked files as they are now, uncommitted changes
# included (git stash create), under the folder NAME/. Elsewhere (a source
# tree unpacked from an archive): every file but build*/ and .git.
cmake_policy(VERSION 3.25)
foreach(variable SOURCE ARCHIVE NAME)
  if(NOT ${variable})
    message(FATAL_ERROR "SourceArchive.cmake: ${variable} is not set")
  endif()
endforeach()
get_filename_component(folder ${ARCHIVE} DIRECTORY)
file(MAKE_DIRECTORY ${folder})

find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE} rev-parse --show-toplevel
    OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status ERROR_QUIET)
endif()
file(REAL_PATH ${SOURCE} source)
if(GIT AND status EQUAL 0)
  file(REAL_PATH ${top} top)
endif()
if(GIT AND status EQUAL 0 AND top STREQUAL source)
  execute_process(COMMAND ${GIT} -C ${SOURCE} stash create
    OUTPUT_VARIABLE tree OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  if(NOT tree)
    set(tree HEAD)
  endif()
  execute_process(COMMAND ${GIT} -C ${SOURCE} archive --format=zip --prefix=${NAME}/ -o ${ARCHIVE} ${tree}
    COMMAND_ERROR_IS_FATAL ANY)
else()
  file(GLOB_RECURSE files RELATIVE ${SOURCE} ${SOURCE}/*)
  list(FILTER files EXCLUDE REGEX "^(build[^/]*|\\.git)/")
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ARCHIVE} --format=zip -- ${files}
    WORKING_DIRECTORY ${SOURCE} COMMAND_ERROR_IS_FATAL ANY)
endif()
