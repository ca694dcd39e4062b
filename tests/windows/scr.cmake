# scr.cmake -- the Windows screensaver's command line and input rules,
# natively; the program and its installer are tested under Wine by
# scripts/test-windows-scr, for which the Windows build makes a stand-in for
# the settings dialog that /p draws into.
if(WIN32)
  add_executable(win_parent_window ${CMAKE_CURRENT_LIST_DIR}/win_parent_window.cpp)
  # Like boxcity.exe: one file to ship, a GUI program.
  add_test(NAME E2E.Windows.ScrOneFileForTheGuiSubsystem
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/e2e_windows.sh imports
                   $<TARGET_FILE:boxcity-scr> ${BOXCITY_WINEPREFIX} ${PROJECT_BINARY_DIR})
  # And its name in the Screen Saver settings.
  add_test(NAME E2E.Windows.ScrIconVersionManifestAndName
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/e2e_windows.sh resources
                   $<TARGET_FILE:boxcity-scr> ${BOXCITY_WINEPREFIX} ${PROJECT_BINARY_DIR})
  return()
endif()
add_executable(test_win_scr ${CMAKE_CURRENT_LIST_DIR}/test_win_scr.cpp)
target_link_libraries(test_win_scr PRIVATE scr app GTest::gtest_main)
gtest_discover_tests(test_win_scr)
