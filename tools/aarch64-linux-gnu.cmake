# Cross compilation for Linux on 64-bit ARM with Debian's cross toolchain
# (g++-aarch64-linux-gnu, whose libraries live in /usr/aarch64-linux-gnu).
# Programs built here run under qemu-user with that directory as their
# root, which is how ctest and GoogleTest's test discovery start them, on
# the CPU tools/debian-root.sh has the emulator play for arm64 roots.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static -cpu cortex-a72 -L /usr/aarch64-linux-gnu)

# Libraries and headers come from the target's directories only, never the
# host's; packages (GoogleTest built for aarch64) are named by GTest_DIR.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
