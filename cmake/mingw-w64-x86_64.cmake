# SPDX-License-Identifier: GPL-3.0-or-later
# Cross build for 64-bit Windows with Debian's mingw-w64 (package g++-mingw-w64-x86-64-posix).
# The POSIX thread model gives std::thread and std::mutex; linking with -static puts the C++
# runtime and the thread library into the program, so Tessavo.exe needs no DLL beside it.
# Tests run under Debian's wine64 with a wine prefix of their own inside the build folder.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(tessavo_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${tessavo_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tessavo_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${tessavo_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${tessavo_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Debian's wine64 package keeps its program outside PATH, in wine's library folder.
find_program(TESSAVO_WINE64 wine64 HINTS /usr/lib/wine DOC "wine64, which runs the tests")
if(TESSAVO_WINE64)
  # A prefix of its own, so that the tests never touch ~/.wine. Wine asks nothing: no
  # Mono or Gecko installer (mscoree, mshtml), no menu entries or file associations in the
  # user's desktop (winemenubuilder), no debug output.
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env
      WINEPREFIX=${CMAKE_BINARY_DIR}/wine
      WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=
      ${TESSAVO_WINE64})
endif()
