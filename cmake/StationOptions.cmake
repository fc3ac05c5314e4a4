# Compiler settings shared by every target of ours.

if(SIG_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# <windows.h> without its rarely used parts and without the min and max
# macros, which would break std::min and std::max, for every file of ours.
if(WIN32)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)
endif()

# The fuzz build (clang) instruments all our code for libFuzzer's coverage
# and the sanitizers, so a fuzz target reaches into the core it links; the
# targets themselves link libFuzzer's main (-fsanitize=fuzzer).
if(SIG_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings are fatal for our own code (not for Qt's generated moc/rcc files,
# which only see the plain warning set).
set(SIG_STRICT_FLAGS
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
  -Wnull-dereference -Wdouble-promotion -Wformat=2 -Werror)
function(sig_strict target)
  target_compile_options(${target} PRIVATE ${SIG_STRICT_FLAGS})
endfunction()

# The statistics and the generator must give the same bits on every build of
# both stations: no fast-math, no fusing of a multiply and an add into one
# rounding, and IEEE semantics for comparisons and non-finite values.
function(sig_exact_float target)
  target_compile_options(${target} PRIVATE -ffp-contract=off -fno-fast-math)
endfunction()
