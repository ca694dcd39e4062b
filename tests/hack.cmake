# hack.cmake -- the screensaver hack's option parsing; the hack and the
# package end to end are checked by the package test (dist/).
add_executable(test_hack_args test_hack_args.cpp)
target_link_libraries(test_hack_args PRIVATE hackargs GTest::gtest_main)
gtest_discover_tests(test_hack_args)
