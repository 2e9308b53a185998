# The handheld's main CPU is an ARM920T: ARMv4T, ARM state only (no Thumb-2),
# no FPU. Every object of ours is compiled for it, and the compiler's static
# helpers (division, 64-bit shifts, soft floating point) come from an ARMv4T
# build of libgcc: the Linux cross compiler's own libgcc is built for ARMv5TE
# and uses CLZ and BLX. Debian's bare-metal ARM compiler ships libgcc for
# ARMv4T in ARM state; the same EABI functions, without the parts that a Linux
# program takes from elsewhere:
#  - the unwinder (unwind-arm, libunwind, pr-support, unwind-c): C++
#    exceptions are unwound by the shared libgcc_s, and two unwinders in one
#    process would not know each other's frames;
#  - emulated thread-local storage, cache flushing and executable stacks
#    (emutls, _clear_cache, enable-execute-stack), which need the system;
#  - the division-by-zero handler (_dvmd_tls), which there returns quietly:
#    the Linux one raises SIGFPE, as the hardware division would.
#
# Sets ARM920T_HELPERS (the helper archive) and defines
# check_arm920t_instructions(TARGET), which links TARGET with a map and fails
# the build on any instruction of ours or of the helpers that the ARM920T
# cannot run (coprocessor/check-instructions.sh).
add_compile_options(-march=armv4t -mtune=arm920t -marm)
# The bare-metal helpers carry no note that they need no executable stack;
# nothing here does. They mark their enums small; they pass none across
# their interface, and everything of ours uses int-sized ones.
add_link_options(-Wl,-z,noexecstack -Wl,--no-enum-size-warning)

find_program(ARM_BAREMETAL_GCC arm-none-eabi-gcc)
find_program(ARM_BAREMETAL_AR arm-none-eabi-ar)
if(NOT ARM_BAREMETAL_GCC OR NOT ARM_BAREMETAL_AR)
    message(FATAL_ERROR "The handheld build takes its ARMv4T libgcc from arm-none-eabi-gcc "
                        "(scripts/install-deps.sh installs it)")
endif()
execute_process(
    COMMAND ${ARM_BAREMETAL_GCC} -marm -march=armv4t -mfloat-abi=soft -print-libgcc-file-name
    OUTPUT_VARIABLE ARMV4T_LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT EXISTS "${ARMV4T_LIBGCC}")
    message(FATAL_ERROR "arm-none-eabi-gcc names no ARMv4T libgcc (${ARMV4T_LIBGCC})")
endif()

set(ARM920T_HELPERS ${CMAKE_BINARY_DIR}/arm920t/libgcc-armv4t.a)
configure_file(${ARMV4T_LIBGCC} ${ARM920T_HELPERS} COPYONLY)
execute_process(
    COMMAND ${ARM_BAREMETAL_AR} d ${ARM920T_HELPERS} unwind-arm.o libunwind.o pr-support.o
            unwind-c.o emutls.o _clear_cache.o enable-execute-stack.o _dvmd_tls.o
    RESULT_VARIABLE removed)
if(NOT removed EQUAL 0)
    message(FATAL_ERROR "Could not make ${ARM920T_HELPERS}")
endif()

set(ARM920T_CHECK ${CMAKE_CURRENT_LIST_DIR}/../coprocessor/check-instructions.sh)
function(check_arm920t_instructions target)
    target_link_options(${target} PRIVATE "-Wl,-Map=$<TARGET_FILE:${target}>.map")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${ARM920T_CHECK} ${CMAKE_OBJDUMP} $<TARGET_FILE:${target}>
                $<TARGET_FILE:${target}>.map
        COMMENT "Checking that ${target} runs on an ARM920T")
endfunction()
