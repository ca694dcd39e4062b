# s390x.cmake -- cross build for IBM Z, 64-bit big-endian, with Debian's
# s390x-linux-gnu compiler; tests run under qemu-s390x-static.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(BOXCITY_TRIPLE s390x-linux-gnu)
set(BOXCITY_QEMU qemu-s390x-static)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
