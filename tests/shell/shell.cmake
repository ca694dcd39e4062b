# shell.cmake -- tests of the application shell and the renderer: input
# events, GL state and pixels on an offscreen context, and the real program
# under Xvfb.
add_executable(test_events test_events.cpp)
target_link_libraries(test_events PRIVATE app GTest::gtest_main)
gtest_discover_tests(test_events)

add_executable(test_render test_render.cpp)
target_link_libraries(test_render PRIVATE offscreen worldstate render world sim GTest::gtest_main
                      ${CMAKE_DL_LIBS})
gtest_discover_tests(test_render)

# Helpers of the end-to-end scripts: SDL's own reason for a failing start-up
# step, and a window manager's close request.
add_executable(shell_sdlprobe shell_sdlprobe.cpp)
target_link_libraries(shell_sdlprobe PRIVATE PkgConfig::SDL)
find_package(X11 REQUIRED)
add_executable(shell_xclose shell_xclose.cpp)
target_link_libraries(shell_xclose PRIVATE X11::X11)
add_executable(shell_xwindow shell_xwindow.cpp)
target_link_libraries(shell_xwindow PRIVATE X11::X11)

set(SHELL_E2E ${CMAKE_CURRENT_SOURCE_DIR}/e2e_shell.sh)
set(SHELL_XVFB ${XVFB_RUN} -a -s "-screen 0 1024x768x16")
function(shell_e2e name scenario)
  add_test(NAME E2E.${name}
           COMMAND ${ARGN} bash ${SHELL_E2E} ${scenario} $<TARGET_FILE:boxcity>
                   ${CMAKE_CURRENT_BINARY_DIR} ${SHELL_HELPER})
  # Each has its own server (tests/xvfb_run.sh), so these may run side by
  # side.
  set_tests_properties(E2E.${name} PROPERTIES TIMEOUT 300)
endfunction()

set(SHELL_HELPER "")
shell_e2e(EscapeEndsCleanly escape ${SHELL_XVFB})
shell_e2e(EscapeAmidOtherInputEnds escape-burst ${SHELL_XVFB})
shell_e2e(ShiftEscapeEnds shift-escape ${SHELL_XVFB})
shell_e2e(OtherInputIsIgnored ignored ${SHELL_XVFB})
shell_e2e(SigtermEndsCleanly sigterm ${SHELL_XVFB})
shell_e2e(ScreenshotShowsCityAndClouds screenshot ${SHELL_XVFB})
set(SHELL_HELPER $<TARGET_FILE:shell_xclose>)
shell_e2e(WindowCloseEndsCleanly close ${SHELL_XVFB})
set(SHELL_HELPER $<TARGET_FILE:shell_xwindow>)
shell_e2e(ForeignWindowGoneEndsCleanly window-gone ${SHELL_XVFB})
shell_e2e(UnusableForeignWindowFails lent-unusable-compat ${SHELL_XVFB})
set(SHELL_HELPER $<TARGET_FILE:shell_sdlprobe>)
shell_e2e(NoVideoDriverFails no-driver)
shell_e2e(NoOpenGLModeFails no-gl)
set(SHELL_HELPER "")
shell_e2e(NoDisplayFailsAtStartup no-display)

# A common desktop (1920x1080, 24 bits, openbox), a Wayland compositor
# (weston nested in the X server), and ten minutes in a window (label long).
# They differ from the runs above only in the display underneath, so the
# sanitizer build leaves them out: it would learn nothing new, and the
# Wayland libraries keep blocks that LeakSanitizer reports as lost.
if(NOT BOXCITY_SANITIZE)
  set(DESKTOP_XVFB ${XVFB_RUN} -a -s "-screen 0 1920x1080x24")
  shell_e2e(DesktopWithWindowManagerLetterboxes desktop ${DESKTOP_XVFB})
  shell_e2e(UnscaledWithoutWindowManagerIsCentred unscaled ${DESKTOP_XVFB})
  shell_e2e(WaylandCompositorShowsTheCity wayland ${XVFB_RUN} -a -s "-screen 0 1024x768x24")
  set(SHELL_HELPER $<TARGET_FILE:boxcity-framecount>)
  shell_e2e(LongRunInAWindow long-run ${DESKTOP_XVFB})
  set_tests_properties(E2E.LongRunInAWindow PROPERTIES LABELS long TIMEOUT 900)
endif()
