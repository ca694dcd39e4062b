# scr.cmake -- boxcity.scr, the Windows screensaver: its command line.
add_library(scrargs STATIC ${CMAKE_CURRENT_LIST_DIR}/win_scr_args.cpp)
target_include_directories(scrargs PUBLIC ${CMAKE_CURRENT_LIST_DIR})
