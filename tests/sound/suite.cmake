# Extra targets of the sound suite (included by tests/CMakeLists.txt with
# `dir`, `suite_sources` and TEST_ENV set).

# The suite makes its own short Ogg files with this encoder. libvorbis and the
# Tremor decoder export the same vorbis_* names, so the encoder is a program
# of its own and never shares a process with the decoder. Where libvorbis is
# not there to build it (a cross build's sysroot), the tests that need Ogg
# files are skipped.
pkg_check_modules(TEST_OGG_ENCODER IMPORTED_TARGET vorbisenc vorbis ogg)
if(TEST_OGG_ENCODER_FOUND)
    add_executable(make-test-ogg ${dir}/encoder/make_test_ogg.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/support/encoder/ogg_encoder.cpp)
    target_include_directories(make-test-ogg PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/encoder)
    target_link_libraries(make-test-ogg PRIVATE PkgConfig::TEST_OGG_ENCODER)
    add_dependencies(test_sound make-test-ogg)
endif()

# The same suite under ThreadSanitizer, in an ordinary desktop build. The
# sound and platform code is built again with it; the rest of the system is
# linked as it is.
if(NOT CMAKE_CROSSCOMPILING AND NOT DEMO_SANITIZE AND DEMO_PLATFORM STREQUAL "desktop")
    file(GLOB sound_tsan_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/sound/*.cpp)
    add_executable(test_sound_tsan ${suite_sources} ${sound_tsan_sources} ${PLATFORM_COMMON}
                   ${PLATFORM_SIDE})
    target_compile_options(test_sound_tsan PRIVATE -fsanitize=thread -O1 -g)
    target_link_options(test_sound_tsan PRIVATE -fsanitize=thread)
    target_link_libraries(test_sound_tsan PRIVATE test_support demosystem GTest::gtest_main)
    if(TEST_OGG_ENCODER_FOUND)
        add_dependencies(test_sound_tsan make-test-ogg)
    endif()
    add_test(NAME sound_thread_sanitizer COMMAND test_sound_tsan)
    set_tests_properties(sound_thread_sanitizer PROPERTIES
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        ENVIRONMENT "${TEST_ENV};TSAN_OPTIONS=halt_on_error=1:exitcode=66"
        TIMEOUT 120)
endif()
