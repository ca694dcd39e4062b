# aarch64.cmake -- cross build for 64-bit ARM, little-endian, with Debian's
# aarch64-linux-gnu compiler; tests run under qemu-aarch64-static.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(BOXCITY_TRIPLE aarch64-linux-gnu)
set(BOXCITY_QEMU qemu-aarch64-static)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
