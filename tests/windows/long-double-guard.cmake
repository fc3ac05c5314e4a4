# cmake -DSOURCE=... -DBUILD=... -DTOOLCHAIN=... -P long-double-guard.cmake
# Configures the project with MinGW told to make long double the 64-bit
# double, as MSVC's is: the configure must stop with the sentence that says
# why, before anything is built.
file(REMOVE_RECURSE ${BUILD})
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BUILD} -G Ninja --toolchain ${TOOLCHAIN}
          -DCMAKE_CXX_FLAGS=-mlong-double-64 -DSIG_BUILD_STATIONS=OFF -DSIG_BUILD_TESTS=OFF
          -DSIG_BUILD_BENCH=OFF
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
file(REMOVE_RECURSE ${BUILD})
string(REGEX REPLACE "[ \n]+" " " output "${output}")
if(status EQUAL 0)
  message(FATAL_ERROR "the configure succeeded with a 64-bit long double")
endif()
if(NOT output MATCHES "need long double to be the 80-bit extended type")
  message(FATAL_ERROR "the configure failed without saying why:\n${output}")
endif()
message(STATUS "refused at configure time, with the sentence")
