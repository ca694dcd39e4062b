# scr.cmake -- boxcity.scr, the Windows screensaver: its stored settings
# read back and the input that ends it, over its command line (scrargs),
# plain code that builds and is tested everywhere, and on Windows the program
# itself with its settings dialog.
add_library(scr STATIC ${CMAKE_CURRENT_LIST_DIR}/win_scr_input.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/win_scr_settings.cpp)
target_include_directories(scr PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(scr PUBLIC PkgConfig::SDL scrargs PRIVATE cmdline)

if(WIN32)
  add_executable(boxcity-scr WIN32 ${CMAKE_CURRENT_LIST_DIR}/win_scr_main.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/win_scr_config.cpp)
  target_link_libraries(boxcity-scr PRIVATE scr app sdl12main cmdline)
  set_target_properties(boxcity-scr PROPERTIES OUTPUT_NAME boxcity SUFFIX .scr
                        RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  target_link_options(boxcity-scr PRIVATE $<$<CONFIG:Release>:-s>)   # as boxcity.exe
endif()
