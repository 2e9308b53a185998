# The asset tests read one generated set, written once per test run by a
# fixture instead of once by every test process: each test is a process of its
# own, and under an emulator without a floating-point unit one run of the
# generator takes minutes.
set(GENERATED_ASSETS_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated-assets)
add_test(NAME AssetFixture.Clear COMMAND ${CMAKE_COMMAND} -E rm -rf ${GENERATED_ASSETS_DIR})
add_test(NAME AssetFixture.Generate
    COMMAND demo-assets --out ${GENERATED_ASSETS_DIR} --no-music)
set_tests_properties(AssetFixture.Clear AssetFixture.Generate PROPERTIES
    FIXTURES_SETUP generated_assets)
set_tests_properties(AssetFixture.Generate PROPERTIES DEPENDS AssetFixture.Clear)
set(SUITE_ENV "DEMO_GENERATED_ASSETS=${GENERATED_ASSETS_DIR}")
set(SUITE_PROPERTIES FIXTURES_REQUIRED generated_assets)
