# scr.cmake -- the Windows screensaver's command line, natively; the program
# and its installer are tested under Wine by scripts/test-windows-scr.
add_executable(test_win_scr_args test_win_scr_args.cpp)
target_link_libraries(test_win_scr_args PRIVATE scrargs GTest::gtest_main)
gtest_discover_tests(test_win_scr_args)
