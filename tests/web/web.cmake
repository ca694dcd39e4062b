# web.cmake -- the web page's GL layer's bookkeeping, natively (the page itself
# is tested in browsers by the web build, scripts/test-web).
add_executable(test_web_upload ${CMAKE_CURRENT_LIST_DIR}/test_web_upload.cpp)
target_include_directories(test_web_upload PRIVATE ${PROJECT_SOURCE_DIR}/web)
target_link_libraries(test_web_upload PRIVATE GTest::gtest_main)
gtest_discover_tests(test_web_upload)
