# Bare-metal cross compiler for the second CPU: Debian's gcc-arm-none-eabi,
# whose default libraries (newlib, libgcc) are built for ARMv4T in ARM state.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-none-eabi-gcc)
set(CMAKE_ASM_COMPILER arm-none-eabi-gcc)
set(CMAKE_OBJCOPY arm-none-eabi-objcopy CACHE FILEPATH "")
set(CMAKE_OBJDUMP arm-none-eabi-objdump CACHE FILEPATH "")
# Test compilations only compile: there is no start-up code to link with.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
