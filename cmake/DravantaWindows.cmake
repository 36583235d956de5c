# The Windows cross build: libraries from tools/windows-third-party.sh, tests
# under Wine (docs/windows-build.md).

set(DRAVANTA_THIRD_PARTY "${CMAKE_BINARY_DIR}/third-party" CACHE PATH
    "Windows builds of the third-party libraries (tools/windows-third-party.sh)")
if(NOT EXISTS "${DRAVANTA_THIRD_PARTY}/.done")
  message(FATAL_ERROR "No Windows third-party libraries in ${DRAVANTA_THIRD_PARTY}: "
                      "run bash tools/windows-third-party.sh first")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH "${DRAVANTA_THIRD_PARTY}")
# The wide (UTF-16) forms of the system calls, Windows 7 and later.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

find_package(GTest REQUIRED CONFIG)
find_package(pugixml REQUIRED CONFIG)
find_package(httplib REQUIRED CONFIG)
# Windows keeps the queue length of a socket's first listen(), so the HTTP
# library listens with the wide queue from the start
# (platform/listen_backlog.h).
set_property(TARGET httplib::httplib APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS
             CPPHTTPLIB_LISTEN_BACKLOG=128)
# The HTTP library under the name the Linux build's pkg-config gives it.
add_library(PkgConfig::HTTPLIB INTERFACE IMPORTED)
target_link_libraries(PkgConfig::HTTPLIB INTERFACE httplib::httplib)

# Wine: one prefix per build folder, created by the first test (a fixture)
# rather than by whichever tests happen to start first; the wine server is
# kept running between tests and stopped after the last one. No display is
# needed.
if(NOT DRAVANTA_WINE64)
  message(WARNING "wine64 not found (bash tools/install-windows-deps.sh): tests cannot run")
endif()
set(DRAVANTA_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine")
set(DRAVANTA_WINE_ENVIRONMENT "WINEPREFIX=${DRAVANTA_WINE_PREFIX}" "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml=")
get_filename_component(wine_folder "${DRAVANTA_WINE64}" DIRECTORY)
find_program(DRAVANTA_WINESERVER NAMES wineserver64 wineserver PATHS "${wine_folder}"
             NO_CMAKE_FIND_ROOT_PATH)
# (The server and the programs wineboot leaves running must not hold the
# test's output pipe, or ctest would wait for them. wineserver -p fails when
# a server of an interrupted run still serves the prefix: that one is kept;
# wineserver -k fails when none is left.)
add_test(NAME wine_prefix_setup COMMAND ${CMAKE_COMMAND} -E env ${DRAVANTA_WINE_ENVIRONMENT}
         sh -c "\"$1\" -p </dev/null >/dev/null 2>&1; \"$0\" wineboot --init </dev/null >/dev/null 2>&1"
         "${DRAVANTA_WINE64}" "${DRAVANTA_WINESERVER}")
add_test(NAME wine_prefix_cleanup COMMAND ${CMAKE_COMMAND} -E env ${DRAVANTA_WINE_ENVIRONMENT}
         sh -c "\"$0\" -k; exit 0" "${DRAVANTA_WINESERVER}")
set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 120)
set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix TIMEOUT 60)
# Without a display even where the developer has one: a window or message
# box would wait for a click in the middle of the test run.
set(DRAVANTA_NO_DISPLAY "DISPLAY=unset:" "WAYLAND_DISPLAY=unset:")
set_property(TEST wine_prefix_setup wine_prefix_cleanup
             PROPERTY ENVIRONMENT_MODIFICATION ${DRAVANTA_NO_DISPLAY})

# dravanta_under_wine(TEST): runs TEST in the build folder's Wine prefix.
function(dravanta_under_wine name)
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT ${DRAVANTA_WINE_ENVIRONMENT})
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT_MODIFICATION ${DRAVANTA_NO_DISPLAY})
  set_property(TEST ${name} APPEND PROPERTY FIXTURES_REQUIRED wine_prefix)
endfunction()

add_subdirectory(platform)
# The tests' own helpers (first: the folders' tests link them).
add_subdirectory(tests/support)
# File collection: the walker, picked paths, drives and loaded modules.
add_subdirectory(collection)
# Application shell and scan report.
add_subdirectory(shell)
add_subdirectory(report)
# Transport (the WinHTTP exchange) and the connector.
add_subdirectory(transport)
add_subdirectory(connector)
# The user interface, and with it the executable.
add_subdirectory(ui)
# The package, and the end-to-end tests of the client and its package.
add_subdirectory(tools/windows-package)
add_subdirectory(tests/windows)
