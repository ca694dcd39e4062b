# hack.cmake -- the screensaver hack: its option parsing, and the hack end to
# end with a stand-in for boxcity (what it hands over, how it refuses); the
# hack with the real program is checked by the package test (dist/).
add_executable(test_hack_args ${CMAKE_CURRENT_LIST_DIR}/test_hack_args.cpp)
target_link_libraries(test_hack_args PRIVATE hackargs GTest::gtest_main)
gtest_discover_tests(test_hack_args)

function(hack_e2e name scenario)
  add_test(NAME Hack.${name}
           COMMAND ${XVFB_RUN} -a bash ${CMAKE_CURRENT_LIST_DIR}/e2e_hack.sh ${scenario}
                   $<TARGET_FILE:boxcity-hack> $<TARGET_FILE:shell_xwindow> ${ARGN})
  # As the shell's scenarios: the sanitizers' start-up of each of the hack's
  # dozen runs took 2 to 6 s on a loaded machine, 120 s in all once.
  set_tests_properties(Hack.${name} PROPERTIES TIMEOUT 300)
endfunction()
hack_e2e(HandsBoxcityItsWindowAndSettings runs)
hack_e2e(RefusesWithOneLineAndAStatus refusals)
# With the real boxcity, over sdl12-compat and over the project's own layer;
# frames are counted at sdl12-compat's swap (the layer's is linked in).
foreach(program boxcity boxcity-sdl12)
  if(BOXCITY_SANITIZE OR NOT TARGET ${program})   # the sanitizers learn nothing new at 4K
    continue()
  endif()
  add_test(NAME Hack.NativeResolutionIsSharpWithFrameRate.${program}
           COMMAND ${XVFB_RUN} -s "-screen 0 3840x2160x24" bash ${CMAKE_CURRENT_LIST_DIR}/e2e_hack.sh sharp
                   $<TARGET_FILE:boxcity-hack> $<TARGET_FILE:shell_xwindow> $<TARGET_FILE:${program}>)
  set_tests_properties(Hack.NativeResolutionIsSharpWithFrameRate.${program} PROPERTIES
    TIMEOUT 300 COST 60)   # the longest of the everyday run: started first
endforeach()
hack_e2e(FrameLimitHolds paced $<TARGET_FILE:boxcity> $<TARGET_FILE:boxcity-framecount>)
