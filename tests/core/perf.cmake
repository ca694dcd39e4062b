# perf.cmake -- the speed work's guards: the pinned world-state images that
# every optimisation must leave bit-identical, and the allocation count of the
# per-frame path.
add_executable(test_regression ${CMAKE_CURRENT_LIST_DIR}/test_regression.cpp)
target_link_libraries(test_regression PRIVATE sim world worldstate GTest::gtest_main)
gtest_discover_tests(test_regression)

# The allocation count replaces malloc itself, which the sanitizers own; it
# also draws frames, which the core leaves out.
if(NOT BOXCITY_SANITIZE AND NOT BOXCITY_CORE_ONLY)
  add_executable(test_alloc ${CMAKE_CURRENT_LIST_DIR}/test_alloc.cpp)
  target_link_libraries(test_alloc PRIVATE sim render offscreen world GTest::gtest_main ${CMAKE_DL_LIBS})
  gtest_discover_tests(test_alloc)
endif()

# On 32-bit x86 the same world compiled for x87 math must not build at all.
if(BOXCITY_X86_32)
  add_test(NAME Build.X87MathRefused
    COMMAND ${CMAKE_CXX_COMPILER} -std=c++17 -fsyntax-only -mfpmath=387
            -I$<TARGET_PROPERTY:world,INTERFACE_INCLUDE_DIRECTORIES> -x c++ -include world.h /dev/null)
  set_tests_properties(Build.X87MathRefused PROPERTIES
    PASS_REGULAR_EXPRESSION "FLT_EVAL_METHOD 0\\); on 32-bit x86 build with SSE2 math")
endif()
