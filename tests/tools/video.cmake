# video.cmake -- boxcity-snap --video end to end, its files decoded with the
# FFmpeg libraries and checked against the same steps drawn in-process.
add_executable(test_video ${CMAKE_CURRENT_LIST_DIR}/test_video.cpp)
add_dependencies(test_video boxcity-snap snap-write-fault)
target_compile_definitions(test_video PRIVATE SNAP_BIN="$<TARGET_FILE:boxcity-snap>"
                           WRITE_FAULT_LIB="$<TARGET_FILE:snap-write-fault>")
target_link_libraries(test_video PRIVATE world sim render offscreen video GTest::gtest_main util)
gtest_discover_tests(test_video)
