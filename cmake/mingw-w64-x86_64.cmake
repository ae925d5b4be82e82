# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's mingw-w64 (the POSIX threads
# flavour, package g++-mingw-w64-x86-64-posix, which std::thread needs):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Builds tonvell-cli.exe and, with GoogleTest's sources (libgtest-dev puts
# them in /usr/src/googletest), the core tests, which ctest runs under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TONVELL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TONVELL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TONVELL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TONVELL_MINGW_PREFIX}-windres)

# Libraries and headers come from the mingw tree only, never the host's;
# programs run at build time are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${TONVELL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run under wine when it is there.
find_program(TONVELL_WINE wine)
if(TONVELL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TONVELL_WINE})
endif()
