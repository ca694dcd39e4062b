# i686.cmake -- cross build for 32-bit x86 with Debian's i686-linux-gnu
# compiler (the build adds SSE2 math); tests run under qemu-i386-static.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BOXCITY_TRIPLE i686-linux-gnu)
set(BOXCITY_QEMU qemu-i386-static)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
