# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (used by the
# `windows` preset). The -posix compilers: the win32 thread model has no
# std::mutex or std::thread, which the link and its tests use.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KS_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static C, C++ and thread runtime: the programs run from a USB stick or a
# bare folder on the workshop PC, with no DLLs beside them. No link time in
# the file header: the same sources give the same programs, and so the
# same setup program (scripts/package-windows).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

# Tests and test discovery run the .exe files under Wine. WINEPREFIX and
# WINEDEBUG come from the environment (the preset sets them).
find_program(KS_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT KS_WINE)
  find_program(KS_WINE NAMES wine64 wine)
endif()
if(KS_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KS_WINE})
endif()
