# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model,
# so that std::thread and std::mutex work). The C and C++ runtimes and
# winpthread are linked statically: the executables need only the DLLs that
# every Windows has. Tests run under Wine when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DRAVANTA_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DRAVANTA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DRAVANTA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${DRAVANTA_MINGW_TRIPLET}-windres)

# Target libraries come from the mingw sysroot and from the folders listed by
# the project (the third-party build); programs from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${DRAVANTA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static takes libgcc, libstdc++ and libwinpthread from their archives.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Debian's wine64 package installs its loader outside PATH (the "wine"
# wrapper package is not needed).
find_program(DRAVANTA_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(DRAVANTA_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DRAVANTA_WINE64})
endif()
