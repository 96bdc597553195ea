# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-building for 64-bit ARM with Debian's g++-aarch64-linux-gnu and the arm64 libraries of
# the multiarch tree (zlib1g-dev:arm64, libminizip-dev:arm64, libmount-dev:arm64, libexpat1-dev:arm64).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
# Header-only packages (CLI11) live in the host's /usr/share.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
# Run through the arm64 libraries of the multiarch tree (libc6:arm64, libstdc++6:arm64).
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
