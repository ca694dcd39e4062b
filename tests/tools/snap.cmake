# snap.cmake -- boxcity-snap driven end to end, checked against the same runs
# computed and drawn in-process.
find_package(PNG REQUIRED)

add_executable(test_snap ${CMAKE_CURRENT_LIST_DIR}/test_snap.cpp)
add_dependencies(test_snap boxcity-snap snap-write-fault)
target_compile_definitions(test_snap PRIVATE SNAP_BIN="$<TARGET_FILE:boxcity-snap>"
                           WRITE_FAULT_LIB="$<TARGET_FILE:snap-write-fault>"
                           DOCS_DIR="${PROJECT_SOURCE_DIR}/docs"
                           BOXCITY_VERSION="${PROJECT_VERSION}")
target_link_libraries(test_snap PRIVATE world sim render offscreen worldstate PNG::PNG
                      GTest::gtest_main)
gtest_discover_tests(test_snap)
