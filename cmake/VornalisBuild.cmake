# Build-wide settings: one INTERFACE target that carries the warning flags (linked by every
# target of the project), the sanitizer and fuzzing switches, and the helper that registers a test.

add_library(vornalis_warnings INTERFACE)
set(VORNALIS_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow)
if(VORNALIS_WERROR)
  list(APPEND VORNALIS_WARNING_FLAGS -Werror)
endif()
# The compilers' flags only: the resource compiler (windres) knows none of them.
target_compile_options(vornalis_warnings INTERFACE
  "$<$<COMPILE_LANGUAGE:C,CXX>:${VORNALIS_WARNING_FLAGS}>")

# The version, written once in project(), as a header for the CLI and the About box.
configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in
               ${PROJECT_BINARY_DIR}/generated/vornalis/version.h @ONLY)
add_library(vornalis_version INTERFACE)
target_include_directories(vornalis_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# Every executable lands in one folder, so the desktop program, the CLI and the stub sit side by side.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Sanitizers come with the same INTERFACE target, so every project target has them except the
# self-assembling stub, which must stay small and links none of the project's flags.
add_library(vornalis_sanitizers INTERFACE)
if(VORNALIS_SANITIZE)
  target_compile_options(vornalis_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(vornalis_sanitizers INTERFACE -fsanitize=address,undefined)
elseif(VORNALIS_THREAD_SANITIZER)
  target_compile_options(vornalis_sanitizers INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(vornalis_sanitizers INTERFACE -fsanitize=thread)
endif()
target_link_libraries(vornalis_warnings INTERFACE vornalis_sanitizers)

if(VORNALIS_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VORNALIS_FUZZ needs clang (configure with CXX=clang++ CC=clang)")
  endif()
  # Instrument everything for coverage feedback; only the fuzz targets link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# vornalis_add_gtest(NAME SOURCES... LIBS ...): one GoogleTest executable registered with CTest.
function(vornalis_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main vornalis_warnings)
  if(CMAKE_CROSSCOMPILING)
    # Each start under Wine costs about half a second: the program runs once, all tests in it.
    add_test(NAME ${name} COMMAND ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
