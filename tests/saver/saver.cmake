# saver.cmake -- boxcity-saver on a Wayland desktop, sway's headless back end
# (scripts/test-saver installs sway and its tools). Label saver, and long:
# the everyday run has no sway.
find_program(BOXCITY_SWAY sway)
if(TARGET boxcity-saver AND BOXCITY_SWAY)
  add_test(NAME E2E.Saver.Sway
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/e2e_saver.sh $<TARGET_FILE:boxcity-saver>)
  set_tests_properties(E2E.Saver.Sway PROPERTIES LABELS "long;saver" TIMEOUT 300)
endif()
