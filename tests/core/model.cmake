# model.cmake -- unit tests of the world model (generation, mesh assembly)
# and of the animation step (choice walk, camera, traffic, drift).
add_executable(test_world ${CMAKE_CURRENT_SOURCE_DIR}/test_world.cpp)
target_link_libraries(test_world PRIVATE world sim worldstate GTest::gtest_main)
gtest_discover_tests(test_world)

add_executable(test_sim ${CMAKE_CURRENT_SOURCE_DIR}/test_sim.cpp)
target_link_libraries(test_sim PRIVATE world sim GTest::gtest_main)
gtest_discover_tests(test_sim)
