# debian-arm64.cmake -- the full build (programs and package) for 64-bit ARM
# Debian with Debian's aarch64-linux-gnu compiler, against the arm64
# libraries installed beside the native ones (multiarch, scripts/setup-arm64):
# headers in /usr/include, libraries and .pc files in /usr/lib/aarch64-linux-gnu.
# Programs run here under qemu-aarch64-static.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# pkg-config must see only the arm64 .pc files, never the native ones.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)
