# debian-cross.cmake -- what the three cross toolchains share: Debian's cross
# compiler for BOXCITY_TRIPLE, its libraries and headers under /usr/<triple>
# (GoogleTest is not among them: the tests build it from its sources), and
# qemu to run the results, the tests' discovery included.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${BOXCITY_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${BOXCITY_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${BOXCITY_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${BOXCITY_QEMU} -L /usr/${BOXCITY_TRIPLE})
