# The statistics compute in the 80-bit extended type, `long double` with a
# 64-bit significand, so that every build of both stations gives the same
# bits. GCC and Clang on x86 and x86-64 give it (MinGW-w64 on Windows too);
# MSVC's long double is the 64-bit double, and other processors have other
# types. Such a compiler must stop the build here, not compute other charts.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles([[
  #include <limits>
  static_assert(std::numeric_limits<long double>::digits == 64 &&
                std::numeric_limits<long double>::radix == 2);
  int main() { return 0; }
]] SIG_LONG_DOUBLE_IS_EXTENDED)
if(NOT SIG_LONG_DOUBLE_IS_EXTENDED)
  if(MSVC)
    set(sig_which "MSVC's long double is the 64-bit double")
  else()
    set(sig_which "this compiler's long double is not the 80-bit type")
  endif()
  message(FATAL_ERROR
    "The stations need long double to be the 80-bit extended type (a 64-bit significand), "
    "but ${sig_which}: its charts would differ from the other station's. Build with GCC "
    "or Clang for x86 or x86-64; on Windows use MinGW-w64 (Qt's MinGW 64-bit kit).")
endif()
