# Cross build for the handheld: 32-bit little-endian ARM Linux (Debian armel),
# with Debian's arm-linux-gnueabi compiler and a sysroot of armel packages
# made by scripts/make-arm-sysroot.sh. Programs built here run on this machine
# under qemu-arm.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)

if(NOT ARM_SYSROOT)
    set(ARM_SYSROOT "$ENV{ARM_SYSROOT}")
endif()
if(NOT ARM_SYSROOT)
    message(FATAL_ERROR "Set ARM_SYSROOT to the folder made by scripts/make-arm-sysroot.sh")
endif()
# try_compile projects get the sysroot too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ARM_SYSROOT)
set(CMAKE_SYSROOT "${ARM_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH "${ARM_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config answers from the sysroot's own .pc files.
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${ARM_SYSROOT}")
set(ENV{PKG_CONFIG_LIBDIR}
    "${ARM_SYSROOT}/usr/lib/arm-linux-gnueabi/pkgconfig:${ARM_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# The libraries' own dependencies are found in the sysroot at link time.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-Wl,-rpath-link,${ARM_SYSROOT}/usr/lib/arm-linux-gnueabi -Wl,-rpath-link,${ARM_SYSROOT}/lib/arm-linux-gnueabi")

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L "${ARM_SYSROOT}")

# GCC notes on every std::vector iterator passed by value that the ARM calling
# convention changed in GCC 7.1; everything here is built with one compiler, so
# the note says nothing about this build.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")
