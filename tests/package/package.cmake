# package.cmake -- the Debian package end to end (label long: cpack, lintian
# and the screensaver daemon take about a minute together).
set(PACKAGE_E2E ${CMAKE_CURRENT_LIST_DIR}/e2e_package.sh)
set(PACKAGE_WORK ${CMAKE_CURRENT_BINARY_DIR}/package-e2e)
function(package_e2e name stage)
  add_test(NAME Package.${name}
           COMMAND ${PACKAGE_SERVER} bash ${PACKAGE_E2E} ${stage} ${PROJECT_BINARY_DIR} ${PACKAGE_WORK} ${ARGN})
  set_tests_properties(Package.${name} PROPERTIES LABELS long TIMEOUT 300)
  if(stage STREQUAL build)
    set_tests_properties(Package.${name} PROPERTIES FIXTURES_SETUP package)
  else()
    set_tests_properties(Package.${name} PROPERTIES FIXTURES_REQUIRED package)
  endif()
endfunction()

set(PACKAGE_SERVER "")
package_e2e(Builds build)
package_e2e(PassesValidatorsAndLintian lint ${PROJECT_SOURCE_DIR}/LICENSE)
set(PACKAGE_SERVER ${XVFB_RUN} -s "-screen 0 1280x1024x24")
package_e2e(ScreensaverDaemonShowsAndEndsIt daemon)
# The same on two monitors: one boxcity on each.
if(BOXCITY_XORG)
  add_test(NAME Package.ScreensaverDaemonCoversTwoMonitors
           COMMAND ${XORG_TWO}
                   bash ${PACKAGE_E2E} daemon ${PROJECT_BINARY_DIR} ${PACKAGE_WORK})
  set_tests_properties(Package.ScreensaverDaemonCoversTwoMonitors PROPERTIES
                       LABELS long TIMEOUT 300 FIXTURES_REQUIRED package)
endif()
set(PACKAGE_SERVER ${XVFB_RUN} -s "-screen 0 1024x768x24")
package_e2e(PreviewWindowShowsTheCity preview $<TARGET_FILE:shell_xwindow>)
