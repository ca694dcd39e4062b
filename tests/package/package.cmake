# package.cmake -- the Debian package end to end (label long: cpack, lintian
# and the screensaver daemon take about a minute together).
set(PACKAGE_E2E ${CMAKE_CURRENT_SOURCE_DIR}/e2e_package.sh)
set(PACKAGE_WORK ${CMAKE_CURRENT_BINARY_DIR}/package-e2e)
function(package_e2e name stage)
  add_test(NAME Package.${name}
           COMMAND bash ${PACKAGE_E2E} ${stage} ${PROJECT_BINARY_DIR} ${PACKAGE_WORK} ${ARGN})
  set_tests_properties(Package.${name} PROPERTIES LABELS long TIMEOUT 300)
  if(stage STREQUAL build)
    set_tests_properties(Package.${name} PROPERTIES FIXTURES_SETUP package)
  else()
    set_tests_properties(Package.${name} PROPERTIES FIXTURES_REQUIRED package)
  endif()
endfunction()

package_e2e(Builds build)
package_e2e(PassesValidatorsAndLintian lint ${PROJECT_SOURCE_DIR}/LICENSE)
package_e2e(ScreensaverDaemonShowsAndEndsIt daemon)
# The same on two monitors (xorg_two_run.sh): one boxcity on each.
find_program(BOXCITY_XORG Xorg)
if(BOXCITY_XORG)
  add_test(NAME Package.ScreensaverDaemonCoversTwoMonitors
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xorg_two_run.sh
                   bash ${PACKAGE_E2E} daemon ${PROJECT_BINARY_DIR} ${PACKAGE_WORK})
  set_tests_properties(Package.ScreensaverDaemonCoversTwoMonitors PROPERTIES
                       LABELS long TIMEOUT 300 FIXTURES_REQUIRED package)
endif()
package_e2e(PreviewWindowShowsTheCity preview $<TARGET_FILE:shell_xwindow>)
