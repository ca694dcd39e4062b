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

# The command line; the settings and login entry (no display); --idle on each
# desktop installed (scripts/test-saver installs them).
add_executable(test_saver_args ${CMAKE_CURRENT_LIST_DIR}/test_saver_args.cpp)
target_link_libraries(test_saver_args PRIVATE saverargs GTest::gtest_main)
gtest_discover_tests(test_saver_args PROPERTIES LABELS saver)
if(TARGET boxcity-saver)
  add_test(NAME Saver.SettingsAndLoginEntry
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/saver_cli.sh $<TARGET_FILE:boxcity-saver>)
  set_tests_properties(Saver.SettingsAndLoginEntry PROPERTIES LABELS saver TIMEOUT 60)
  pkg_check_modules(LIBSYSTEMD_TESTS REQUIRED IMPORTED_TARGET libsystemd)
  add_executable(gnome_bus ${CMAKE_CURRENT_LIST_DIR}/gnome_bus.cpp)
  target_link_libraries(gnome_bus PRIVATE PkgConfig::LIBSYSTEMD_TESTS)
  foreach(row x11=Xvfb sway=sway gnome=mutter kwin=kwin_wayland)
    string(REPLACE "=" ";" row ${row})
    list(GET row 0 desktop)
    list(GET row 1 server)
    find_program(BOXCITY_IDLE_${desktop} ${server})
    set(run)
    if(desktop STREQUAL x11)
      set(run ${XVFB_RUN})
    endif()
    if(BOXCITY_IDLE_${desktop})
      add_test(NAME E2E.SaverIdle.${desktop} COMMAND ${run} bash ${CMAKE_CURRENT_LIST_DIR}/e2e_idle.sh
               ${desktop} $<TARGET_FILE:boxcity-saver> $<TARGET_FILE:gnome_bus>)
      set_tests_properties(E2E.SaverIdle.${desktop} PROPERTIES LABELS "long;saver" TIMEOUT 180)
    endif()
  endforeach()
endif()
