# mingw64.cmake -- cross build for 64-bit Windows with Debian's MinGW-w64 GCC,
# posix thread model (GoogleTest needs std::mutex, which the win32 model
# lacks). Everything is linked statically, so a program needs no DLL beside
# it. Programs run here under Wine, in a prefix of the build's own (quiet,
# and without the Mono and Gecko installers a fresh prefix would start).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BOXCITY_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BOXCITY_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BOXCITY_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BOXCITY_TRIPLE}-windres)

# No link time in the PE header: the same source links to the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")

set(CMAKE_FIND_ROOT_PATH /usr/${BOXCITY_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(BOXCITY_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix the build's programs run in")
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
    WINEPREFIX=${BOXCITY_WINEPREFIX} wine)
