# Memory-safety and bad-input builds (used by scripts/sanitize and scripts/fuzz).
#
#   KYVOR_SANITIZE    every target built with AddressSanitizer (leaks included) and
#                     UndefinedBehaviorSanitizer; any report ends the program
#   KYVOR_BUILD_FUZZ  the libFuzzer harnesses of fuzz/ (clang only); the project's
#                     code is built with coverage instrumentation for them
option(KYVOR_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(KYVOR_BUILD_FUZZ "Build the libFuzzer harnesses in fuzz/ (clang)" OFF)

if(KYVOR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KYVOR_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KYVOR_BUILD_FUZZ needs clang (libFuzzer): configure with "
                        "-DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
