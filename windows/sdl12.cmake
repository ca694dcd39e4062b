# sdl12.cmake -- the SDL 1.2 layer over SDL 2. On Windows it is the SDL 1.2
# that boxcity.exe is built with, together with the process entry and the
# GUI subsystem. On Linux, where libsdl2-dev is installed, it is built too,
# into a second boxcity (build/sdl12/boxcity) that the end-to-end tests hold
# to what Debian's sdl12-compat does.
set(SDL12_DIR ${CMAKE_CURRENT_LIST_DIR}/sdl12)
set(SDL12_SOURCES ${SDL12_DIR}/sdl12_video.cpp ${SDL12_DIR}/sdl12_events.cpp)

if(WIN32)
  add_library(sdl12 STATIC ${SDL12_SOURCES})
  target_include_directories(sdl12 PUBLIC ${SDL12_DIR})
  target_link_libraries(sdl12 PRIVATE SDL2::SDL2-static OpenGL::GL)
  # app/ and render/ link SDL 1.2 by the name pkg-config gives it on Linux.
  add_library(PkgConfig::SDL ALIAS sdl12)
  target_sources(boxcity PRIVATE ${CMAKE_CURRENT_LIST_DIR}/win_entry.cpp)
  set_target_properties(boxcity PROPERTIES WIN32_EXECUTABLE ON)
  # Shipped as built: without the symbols the static runtime brings along.
  target_link_options(boxcity PRIVATE $<$<CONFIG:Release>:-s>)
  return()
endif()

pkg_check_modules(SDL2 QUIET IMPORTED_TARGET sdl2)
if(NOT SDL2_FOUND)
  return()
endif()
add_library(sdl12 STATIC ${SDL12_SOURCES})
target_include_directories(sdl12 PUBLIC ${SDL12_DIR})
target_link_libraries(sdl12 PRIVATE PkgConfig::SDL2 OpenGL::GL)

# boxcity once more: its shell, renderer and entry compiled against the layer.
set(shell_sources "")
foreach(target app render boxcity)
  get_target_property(dir ${target} SOURCE_DIR)
  get_target_property(files ${target} SOURCES)
  list(TRANSFORM files PREPEND ${dir}/)
  list(APPEND shell_sources ${files})
endforeach()
add_executable(boxcity-sdl12 ${shell_sources})
target_include_directories(boxcity-sdl12 PRIVATE ${PROJECT_SOURCE_DIR}/app ${PROJECT_SOURCE_DIR}/render)
find_package(X11 REQUIRED)
target_link_libraries(boxcity-sdl12 PRIVATE world sim sdl12 OpenGL::GL OpenGL::GLU X11::X11)
set_target_properties(boxcity-sdl12 PROPERTIES OUTPUT_NAME boxcity
                      RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/sdl12)
