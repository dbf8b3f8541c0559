# Cross-compiles Kestrel for 64-bit Windows with Debian's mingw-w64 toolchain.
#
# The POSIX-threads flavour of the compiler is used because the standard library's <mutex>,
# <thread> and <condition_variable> need it; the Win32 backend itself calls the Win32 API
# directly. Everything is linked statically, so the executables need no toolchain DLLs and run
# under Wine or on Windows as single files.
#
# Test binaries run through cmake/wine-run.sh (CMAKE_CROSSCOMPILING_EMULATOR), which CTest and
# gtest_discover_tests use to start them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KS_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(KS_MINGW_CC NAMES ${KS_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(KS_MINGW_CXX NAMES ${KS_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(KS_MINGW_WINDRES NAMES ${KS_MINGW_TRIPLE}-windres REQUIRED)
set(CMAKE_C_COMPILER ${KS_MINGW_CC})
set(CMAKE_CXX_COMPILER ${KS_MINGW_CXX})
set(CMAKE_RC_COMPILER ${KS_MINGW_WINDRES})

# Libraries and headers come from the mingw sysroot (zlib from libz-mingw-w64-dev) and from the
# cross-built GoogleTest prefix; programs (windres, python) come from the build machine.
set(KS_MINGW_SYSROOT /usr/${KS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH ${KS_MINGW_SYSROOT})
if(DEFINED KS_WIN_GTEST_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KS_WIN_GTEST_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static zlib: the import library would make every program depend on zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)

# Unicode Win32 API by default (the backend uses the W calls explicitly anyway), Windows 7 API
# level, and no min/max macros from <windows.h>.
add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX WIN32_LEAN_AND_MEAN)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Each build folder gets its own Wine prefix (created on first use), so test runs never touch
# ~/.wine and two build folders never share a wineserver.
if(NOT DEFINED KS_WINEPREFIX)
  set(KS_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix the Windows tests run in")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR env KS_WINEPREFIX=${KS_WINEPREFIX} ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
