# hack.cmake -- the screensaver hack: its option parsing, and the hack end to
# end with a stand-in for boxcity (what it hands over, how it refuses); the
# hack with the real program is checked by the package test (dist/).
add_executable(test_hack_args ${CMAKE_CURRENT_LIST_DIR}/test_hack_args.cpp)
target_link_libraries(test_hack_args PRIVATE hackargs GTest::gtest_main)
gtest_discover_tests(test_hack_args)

function(hack_e2e name scenario)
  add_test(NAME Hack.${name}
           COMMAND ${XVFB_RUN} -a bash ${CMAKE_CURRENT_LIST_DIR}/e2e_hack.sh ${scenario}
                   $<TARGET_FILE:boxcity-hack> $<TARGET_FILE:shell_xwindow>)
  set_tests_properties(Hack.${name} PROPERTIES TIMEOUT 120)
endfunction()
hack_e2e(HandsBoxcityItsWindowAndSettings runs)
hack_e2e(RefusesWithOneLineAndAStatus refusals)
