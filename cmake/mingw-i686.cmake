# Cross-compiles the Windows programs with MinGW-w64 (i686, posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs the test programs under the 32-bit Wine of the emulated i386
# root; WINE32 is set by scripts/env.sh.
if(DEFINED ENV{WINE32})
  set(CMAKE_CROSSCOMPILING_EMULATOR $ENV{WINE32})
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
