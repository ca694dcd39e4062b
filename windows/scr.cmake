# scr.cmake -- boxcity.scr, the Windows screensaver: its command line and
# the input that ends it, plain code that builds and is tested everywhere.
add_library(scr STATIC ${CMAKE_CURRENT_LIST_DIR}/win_scr_args.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/win_scr_input.cpp)
target_include_directories(scr PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(scr PUBLIC PkgConfig::SDL)
