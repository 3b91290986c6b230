# Cross-builds the Qt-less part of Kovexa for Windows x86-64 with mingw-w64, running programs
# (test discovery, CTest) under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KVX_MINGW_TRIPLE x86_64-w64-mingw32)
# The -posix variants use the winpthreads thread model; the default ones reject std::thread and
# std::mutex, which the process runner and the tests need.
set(CMAKE_C_COMPILER ${KVX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KVX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KVX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime libraries: the programs need only system DLLs, so Wine (or a bare Windows) runs
# them without copying libstdc++, libgcc or winpthreads beside each one.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Debian's wine64 package has no "wine" launcher in PATH; the loader lives in /usr/lib/wine.
# Programs run through a wrapper that gives them the build folder's own Wine prefix.
find_program(KVX_WINE_PROGRAM NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KVX_WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_CURRENT_LIST_DIR}/wine-emulator.sh ${KVX_WINE_PROGRAM} ${CMAKE_BINARY_DIR}/wineprefix)
endif()
