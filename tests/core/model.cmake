# model.cmake -- unit tests of the core: the world model (generation, mesh
# assembly), the animation step (choice walk, camera, traffic, drift), the
# soak of their invariants, and the renderer.
add_executable(test_world ${CMAKE_CURRENT_LIST_DIR}/test_world.cpp)
target_link_libraries(test_world PRIVATE world sim worldstate GTest::gtest_main)
gtest_discover_tests(test_world)

add_executable(test_sim ${CMAKE_CURRENT_LIST_DIR}/test_sim.cpp)
target_link_libraries(test_sim PRIVATE world sim GTest::gtest_main)
gtest_discover_tests(test_sim)

# Soak: a short form in every run, the million steps per seed labelled long
# (left out of a plain `ctest -LE 'long|valgrind'`).
add_executable(test_soak ${CMAKE_CURRENT_LIST_DIR}/test_soak.cpp)
target_link_libraries(test_soak PRIVATE sim world GTest::gtest_main)
gtest_discover_tests(test_soak)
set(SOAK_SEEDS 1 20240611 4000000000)
foreach(i RANGE 2)
  list(GET SOAK_SEEDS ${i} seed)
  add_test(NAME Soak.Million.Seed${seed}
    COMMAND test_soak --gtest_filter=Soak/SoakSeeds.EveryStepKeepsTheInvariants/${i})
  set_tests_properties(Soak.Million.Seed${seed} PROPERTIES
    ENVIRONMENT BOXCITY_SOAK_STEPS=1000000 LABELS long TIMEOUT 3600 COST 200)
endforeach()

# The renderer: GL state and pixels on an offscreen context.
if(NOT BOXCITY_CORE_ONLY)
  add_executable(test_render ${CMAKE_CURRENT_LIST_DIR}/test_render.cpp)
  target_link_libraries(test_render PRIVATE offscreen worldstate render world sim GTest::gtest_main
                        ${CMAKE_DL_LIBS})
  gtest_discover_tests(test_render)
endif()
