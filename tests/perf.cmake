# perf.cmake -- the speed work's guards: the pinned world-state images that
# every optimisation must leave bit-identical, and the allocation count of the
# per-frame path.
add_executable(test_regression ${CMAKE_CURRENT_SOURCE_DIR}/test_regression.cpp)
target_link_libraries(test_regression PRIVATE sim world worldstate GTest::gtest_main)
gtest_discover_tests(test_regression)

# The allocation count replaces malloc itself, which the sanitizers own.
if(NOT BOXCITY_SANITIZE)
  add_executable(test_alloc ${CMAKE_CURRENT_SOURCE_DIR}/test_alloc.cpp)
  target_link_libraries(test_alloc PRIVATE sim render offscreen world GTest::gtest_main ${CMAKE_DL_LIBS})
  gtest_discover_tests(test_alloc)
endif()
