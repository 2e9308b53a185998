# Extra targets of the second-CPU suite (included by tests/CMakeLists.txt with
# `dir` set).

# The suite's own short Ogg files come from this encoder (a separate program:
# libvorbis and Tremor export the same names).
pkg_check_modules(ARM940_VORBISENC IMPORTED_TARGET vorbisenc vorbis ogg)
if(ARM940_VORBISENC_FOUND)
    add_executable(make-arm940-ogg ${dir}/encoder/make_ogg.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/support/encoder/ogg_encoder.cpp)
    target_include_directories(make-arm940-ogg PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/encoder)
    target_link_libraries(make-arm940-ogg PRIVATE PkgConfig::ARM940_VORBISENC)
    add_dependencies(test_arm940 make-arm940-ogg)
endif()

# Where the built program (image and ELF) and the instruction check are; an
# empty program path makes the tests that need the program skip.
string(REPLACE ".bin" ".elf" ARM940_ELF "${COPROCESSOR_PROGRAM}")
target_compile_definitions(test_arm940 PRIVATE
    ARM940_PROGRAM="${COPROCESSOR_PROGRAM}"
    ARM940_PROGRAM_ELF="${ARM940_ELF}"
    ARM940_CHECK_SCRIPT="${PROJECT_SOURCE_DIR}/coprocessor/check-instructions.sh")
if(TARGET ogg940)
    add_dependencies(test_arm940 ogg940)
endif()
