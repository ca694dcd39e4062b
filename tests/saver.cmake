# saver.cmake -- boxcity-saver on a Wayland desktop: sway's headless back end
# as a throwaway user (scripts/test-saver installs sway and its tools). Label
# saver, and long: not in the everyday run, which has no sway.
find_program(BOXCITY_SWAY sway)
if(NOT TARGET boxcity-saver OR NOT BOXCITY_SWAY)
  return()
endif()
foreach(scenario idle signals failures)
  add_test(NAME E2E.Saver.Sway.${scenario}
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/e2e_saver.sh ${scenario}
                   $<TARGET_FILE:boxcity-saver>)
  set_tests_properties(E2E.Saver.Sway.${scenario} PROPERTIES LABELS "long;saver" TIMEOUT 300)
endforeach()
