# sdl12.cmake -- the project's SDL 1.2 layer (sdl12/), which
# boxcity.exe is built with, held to what Debian's sdl12-compat does: the
# shell's end-to-end scenarios that do not depend on sdl12-compat's own
# messages, once more against build/sdl12/boxcity.
if(NOT TARGET boxcity-sdl12)
  return()
endif()

pkg_check_modules(SDL2 QUIET IMPORTED_TARGET sdl2)
add_executable(test_sdl12_events ${CMAKE_CURRENT_LIST_DIR}/test_sdl12_events.cpp)
target_link_libraries(test_sdl12_events PRIVATE sdl12 PkgConfig::SDL2 GTest::gtest_main)
gtest_discover_tests(test_sdl12_events)

function(sdl12_e2e name scenario)
  add_test(NAME E2E.Sdl12.${name}
           COMMAND ${ARGN} bash ${SHELL_E2E} ${scenario} $<TARGET_FILE:boxcity-sdl12>
                   ${CMAKE_CURRENT_BINARY_DIR}/sdl12 ${SDL12_HELPER})
  set_tests_properties(E2E.Sdl12.${name} PROPERTIES TIMEOUT 300)
endfunction()
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/sdl12)

set(SDL12_HELPER "")
sdl12_e2e(EscapeEndsCleanly escape ${SHELL_XVFB})
sdl12_e2e(SigtermEndsCleanly sigterm ${SHELL_XVFB})
sdl12_e2e(ScreenshotShowsCityAndClouds screenshot ${SHELL_XVFB})
# The letterbox on a 4:3, a 5:4 and a 16:9 desktop: screen, lit box.
foreach(shape "1024x768;1024x768+0+0" "1280x1024;1280x960+0+32" "1920x1080;1440x1080+240+0")
  list(GET shape 0 screen)
  list(GET shape 1 box)
  # The sanitizers learn nothing new from a second shape.
  if(BOXCITY_SANITIZE AND NOT screen STREQUAL "1920x1080")
    continue()
  endif()
  sdl12_e2e(DesktopWithWindowManagerLetterboxes.${screen} desktop
            ${XVFB_RUN} -a -s "-screen 0 ${screen}x24" env BOXCITY_LETTERBOX=${box})
endforeach()
# No framebuffer objects (Windows' own OpenGL 1.1): the screen switched.
sdl12_e2e(NoFramebufferObjectsSwitchesTheScreen no-fbo
          ${XVFB_RUN} -s "-screen 0 1920x1080x24" -m 1024x768)
set(SDL12_HELPER $<TARGET_FILE:shell_xclose>)
sdl12_e2e(WindowCloseEndsCleanly close ${SHELL_XVFB})
set(SDL12_HELPER $<TARGET_FILE:shell_xwindow>)
sdl12_e2e(ForeignWindowGoneEndsCleanly window-gone ${SHELL_XVFB})
sdl12_e2e(ForeignWindowGoneMidFrameNeverDrawnInto window-gone
          ${SHELL_XVFB} env BOXCITY_GONE_LIB=$<TARGET_FILE:lent-gone>)
sdl12_e2e(UnusableForeignWindowSaysWhich lent-unusable ${SHELL_XVFB})
sdl12_e2e(LentWindowWithoutOpenGLBlamesTheDisplay lent-no-gl
          ${XVFB_RUN} -a -s "-screen 0 1024x768x24 -extension GLX")

add_test(NAME E2E.Sdl12.Storm
  COMMAND ${XVFB_RUN} -a -s "-screen 0 1024x768x16" ${PROJECT_SOURCE_DIR}/tests/shell/e2e_storm.sh
          $<TARGET_FILE:boxcity-sdl12> 10)
set_tests_properties(E2E.Sdl12.Storm PROPERTIES TIMEOUT 300)

# The screensavers' full-screen run over the layer (boxcity-saver) on the
# two-monitor server: both monitors show the city, the desktop nowhere.
if(BOXCITY_XORG)
  foreach(scenario key mouse black xautolock sigterm sighup)
    add_test(NAME E2E.Sdl12.EveryMonitor.${scenario}
             COMMAND ${XORG_TWO}
                     bash ${CMAKE_CURRENT_LIST_DIR}/e2e_monitors.sh ${scenario}
                     $<TARGET_FILE:boxcity-saver>)
    set_tests_properties(E2E.Sdl12.EveryMonitor.${scenario} PROPERTIES TIMEOUT 300 LABELS saver)
  endforeach()
  # One of the two is enough for every everyday run (plain, sanitized, Clang).
  set_tests_properties(E2E.Sdl12.EveryMonitor.mouse E2E.Sdl12.EveryMonitor.black
                       E2E.Sdl12.EveryMonitor.xautolock E2E.Sdl12.EveryMonitor.sigterm
                       E2E.Sdl12.EveryMonitor.sighup PROPERTIES LABELS "long;saver")
endif()
