# The music tests exercise the asset tool's music library directly.
target_link_libraries(test_music PRIVATE assetmusic)
