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
package_e2e(PreviewWindowShowsTheCity preview $<TARGET_FILE:shell_xwindow>)
