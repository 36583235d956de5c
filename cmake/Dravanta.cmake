# Shared build settings and helpers for every folder.

# Files that call the operating system are named for it: name_posix.cpp here,
# name_win32.cpp in the Windows build (toolchain cmake/mingw-w64-x86_64.cmake).
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(DRAVANTA_WINDOWS ON)
  set(DRAVANTA_PLATFORM_SUFFIX win32)
else()
  set(DRAVANTA_WINDOWS OFF)
  set(DRAVANTA_PLATFORM_SUFFIX posix)
endif()

# dravanta_system_sources(OUT FILES...)
# The files as listed, each name_posix.cpp replaced by its twin for the
# target system. In the Windows build a twin that is not written yet is left
# out and named in a status line, so that a partial port builds what it can.
function(dravanta_system_sources out)
  set(result)
  set(missing)
  foreach(file ${ARGN})
    string(REGEX REPLACE "_posix\\.cpp$" "_${DRAVANTA_PLATFORM_SUFFIX}.cpp" chosen "${file}")
    if(NOT DRAVANTA_WINDOWS OR EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${chosen}")
      list(APPEND result "${chosen}")
    else()
      list(APPEND missing "${chosen}")
    endif()
  endforeach()
  if(missing)
    list(JOIN missing " " missing_text)
    message(STATUS "Not yet written for ${CMAKE_SYSTEM_NAME}: ${missing_text}")
  endif()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# -Wno-restrict: GCC 12 reports false -Wrestrict overlaps inside libstdc++'s
# basic_string copies at -O2 (GCC bug 105329); none of them is in our code.
set(DRAVANTA_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wno-missing-field-initializers)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND DRAVANTA_WARNINGS -Wno-restrict)
endif()

if(DRAVANTA_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(DRAVANTA_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT DRAVANTA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "DRAVANTA_SANITIZE must be empty, address or thread")
endif()

# DRAVANTA_FUZZ: the libFuzzer build of tests/fuzz (clang only). Every
# library is instrumented for coverage and checked by ASan+UBSan; the fuzz
# targets alone link libFuzzer's driver.
if(DRAVANTA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "DRAVANTA_FUZZ needs clang (the preset \"fuzz\" selects it)")
  endif()
  if(NOT DRAVANTA_SANITIZE STREQUAL "")
    message(FATAL_ERROR "DRAVANTA_FUZZ brings its own sanitizers; leave DRAVANTA_SANITIZE empty")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# dravanta_library(NAME SOURCES ... [LIBS ...])
# A static library of one subsystem folder, warnings on.
#
# Include folders belong to the targets, not to the whole build: a library
# publishes the source root, so that it and whoever links it write
# #include "connector/scan_connector.h". A subsystem's internal headers
# (locks, atomics, thread arrays: what its callers must not reach) go in
# <subsystem>/internal/ and are included relative to the including file,
# #include "internal/scan_run.h" (or "../internal/..." from its testing/
# folder); tools/check-layering.sh (the layering_check test) refuses any
# other path to an internal/ folder, so they cannot be included from
# elsewhere.
function(dravanta_library name)
  cmake_parse_arguments(L "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_compile_options(${name} PRIVATE ${DRAVANTA_WARNINGS})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_LIBS})
endfunction()

# dravanta_test(NAME SOURCES ... [LIBS ...] [THREADED] [LABELS ...] [TIMEOUT s])
# One GoogleTest executable registered with CTest. THREADED marks tests of
# threaded code: they also run in the ThreadSanitizer build, where the other
# tests are not built at all.
function(dravanta_test name)
  cmake_parse_arguments(T "THREADED" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(DRAVANTA_SANITIZE STREQUAL "thread" AND NOT T_THREADED)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${DRAVANTA_WARNINGS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock Threads::Threads)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(labels unit ${T_LABELS})
  if(T_THREADED)
    list(APPEND labels threaded)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${labels}"
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=${CMAKE_SOURCE_DIR}/cmake/tsan_suppressions.txt")
  if(DRAVANTA_WINDOWS)
    dravanta_under_wine(${name})
  endif()
endfunction()
