# shell.cmake -- tests of the application shell: input events, and the real
# program under an X server of its own.
add_executable(test_events ${CMAKE_CURRENT_LIST_DIR}/test_events.cpp)
target_link_libraries(test_events PRIVATE app GTest::gtest_main)
gtest_discover_tests(test_events)

set(SHELL_E2E ${CMAKE_CURRENT_LIST_DIR}/e2e_shell.sh)
set(SHELL_XVFB ${XVFB_RUN} -a -s "-screen 0 1024x768x16")
function(shell_e2e name scenario)
  add_test(NAME E2E.${name}
           COMMAND ${ARGN} bash ${SHELL_E2E} ${scenario} $<TARGET_FILE:boxcity>
                   ${CMAKE_CURRENT_BINARY_DIR} ${SHELL_HELPER})
  # Each has its own server, so these may run side by side.
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
  set_tests_properties(E2E.LongRunInAWindow PROPERTIES LABELS long TIMEOUT 900 COST 700)
endif()
