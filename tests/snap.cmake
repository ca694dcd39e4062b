# snap.cmake -- boxcity-snap driven end to end, checked against the same runs
# computed and drawn in-process.
find_package(PNG REQUIRED)
add_executable(test_snap ${CMAKE_CURRENT_SOURCE_DIR}/test_snap.cpp)
add_dependencies(test_snap boxcity-snap)
target_compile_definitions(test_snap PRIVATE SNAP_BIN="$<TARGET_FILE:boxcity-snap>")
target_link_libraries(test_snap PRIVATE world sim render offscreen worldstate PNG::PNG
                      GTest::gtest_main)
gtest_discover_tests(test_snap)
