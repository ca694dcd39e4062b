# saver.cmake -- boxcity-saver on a Wayland desktop, sway's headless back end
# (scripts/test-saver installs sway and its tools). Label saver, and long:
# the everyday run has no sway.
find_program(BOXCITY_SWAY sway)
if(TARGET boxcity-saver AND BOXCITY_SWAY)
  add_test(NAME E2E.Saver.Sway
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/e2e_saver.sh $<TARGET_FILE:boxcity-saver>
                   $<TARGET_FILE:boxcity-framecount>)
  set_tests_properties(E2E.Saver.Sway PROPERTIES LABELS "long;saver" TIMEOUT 600)
endif()

# Help and version need no display, so the everyday run checks them.
if(TARGET boxcity-saver)
  add_test(NAME Saver.Version COMMAND boxcity-saver --version)
  set_tests_properties(Saver.Version PROPERTIES PASS_REGULAR_EXPRESSION
    "^boxcity-saver ${PROJECT_VERSION}\nCopyright [^\n]*\nLicense MIT [^\n]*\n$")
  add_test(NAME Saver.Help COMMAND boxcity-saver --help)
  set_tests_properties(Saver.Help PROPERTIES PASS_REGULAR_EXPRESSION "^usage: boxcity-saver ")
  add_test(NAME Saver.HelpAndVersionOnAFullDiskFail COMMAND sh -c
    "for o in --help --version; do \"$0\" $o >/dev/full 2>/dev/null; [ $? = 1 ] || exit 1; done"
    $<TARGET_FILE:boxcity-saver>)
endif()
