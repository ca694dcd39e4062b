# scr.cmake -- the Windows screensaver's command line and input rules,
# natively; the program and its installer are tested under Wine by
# scripts/test-windows-scr.
add_executable(test_win_scr test_win_scr.cpp)
target_link_libraries(test_win_scr PRIVATE scr app GTest::gtest_main)
gtest_discover_tests(test_win_scr)
