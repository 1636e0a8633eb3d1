# aarch64-linux-gnu.cmake
#
# Toolchain file for an arm64 (Raspberry Pi 3/4/5, 64-bit OS) build on a
# Debian machine with the cross compiler (crossbuild-essential-arm64) and the
# arm64 libraries installed through multiarch (libpoco-dev:arm64, ...); see
# scripts/cross-arm64. Test programs run under qemu-user.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# Multiarch: arm64 libraries and their CMake packages live in
# /usr/lib/aarch64-linux-gnu beside the machine's own.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# Modules that ask pkg-config (FindEXPAT, for Poco's XML) must get the arm64
# files, and nothing may come from the machine's own library folders.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
list(APPEND CMAKE_IGNORE_PATH /usr/lib/${CMAKE_HOST_SYSTEM_PROCESSOR}-linux-gnu /lib/${CMAKE_HOST_SYSTEM_PROCESSOR}-linux-gnu)
# Where binfmt_misc runs arm64 programs through qemu (scripts/cross-arm64
# sees to it), no emulator needs naming; otherwise CTest runs the test
# programs through qemu itself.
find_program(LORAWAN_QEMU_AARCH64 qemu-aarch64-static)
if(LORAWAN_QEMU_AARCH64 AND NOT EXISTS /proc/sys/fs/binfmt_misc/qemu-aarch64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${LORAWAN_QEMU_AARCH64})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
