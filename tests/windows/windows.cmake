# windows.cmake -- boxcity.exe under Wine on a virtual X display, from the
# Windows build (scripts/test-windows): what a Windows user sees and the
# files the program leaves. The runs share the build's Wine prefix and end
# its wineserver, so they take turns.
find_program(BOXCITY_XVFB Xvfb REQUIRED)
set(XVFB_RUN bash ${PROJECT_SOURCE_DIR}/tests/harness/xserver_run.sh)
function(windows_e2e name scenario)
  add_test(NAME E2E.Windows.${name}
           COMMAND ${ARGN} bash ${CMAKE_CURRENT_LIST_DIR}/e2e_windows.sh ${scenario}
                   $<TARGET_FILE:boxcity> ${BOXCITY_WINEPREFIX} ${PROJECT_BINARY_DIR})
  set_tests_properties(E2E.Windows.${name} PROPERTIES TIMEOUT 300 RESOURCE_LOCK wineprefix)
endfunction()

set(DESKTOP ${XVFB_RUN} -a -s "-screen 0 1920x1080x24")
windows_e2e(OneFileForTheGuiSubsystem imports)
windows_e2e(IconVersionAndManifest resources)
# The letterbox on a 4:3, a 5:4 and a 16:9 desktop: screen, lit box.
foreach(shape "1024x768;1024x768+0+0" "1280x1024;1280x960+0+32" "1920x1080;1440x1080+240+0")
  list(GET shape 0 screen)
  list(GET shape 1 box)
  windows_e2e(DesktopLetterboxesAndEscapeEnds.${screen} desktop
              ${XVFB_RUN} -a -s "-screen 0 ${screen}x24" env BOXCITY_LETTERBOX=${box})
endforeach()
windows_e2e(NoFramebufferObjectsSwitchesTheScreen no-fbo ${DESKTOP} -m 1024x768)
windows_e2e(AltF4Ends close ${DESKTOP})
windows_e2e(NoOpenGLFailsInABoxAndStderrTxt no-gl ${XVFB_RUN} -a -s "-screen 0 1920x1080x24 -extension GLX")
windows_e2e(NoDisplayFailsInStderrTxt no-display)

# boxcity.scr's: only the helper is built here (see scr.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/scr.cmake)
