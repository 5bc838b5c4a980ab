# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-building for 64-bit Windows with Debian's mingw-w64 compilers (the
# POSIX threads flavour, which C++ threads need). Programs are linked
# statically, so one needs no DLL beside it (PURLO_MINGW_STATIC=OFF for a
# build of DLLs, Qt's), and run through wine, for the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT DEFINED PURLO_MINGW_STATIC OR PURLO_MINGW_STATIC)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
endif()

find_program(PURLO_WINE NAMES wine wine64)
if(PURLO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PURLO_WINE})
endif()
