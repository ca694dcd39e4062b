# reliability.cmake -- the shell's failure paths and endurance: start-up
# failures against stand-ins, the event storm against the real program, and
# the program under memcheck (label valgrind, left out of a plain
# `ctest -LE 'long|valgrind'`).

# Start-up: the shell's own objects against stand-ins for SDL and for the
# other subsystems, so that every failure path can be made to happen. Only
# the headers of the real ones are taken, never their code.
add_executable(test_startup ${CMAKE_CURRENT_LIST_DIR}/test_startup.cpp $<TARGET_OBJECTS:shell>)
foreach(lib shell cmdline render sim world PkgConfig::SDL)
  target_include_directories(test_startup PRIVATE
    $<TARGET_PROPERTY:${lib},INTERFACE_INCLUDE_DIRECTORIES>)
endforeach()
target_compile_options(test_startup PRIVATE
  $<TARGET_PROPERTY:PkgConfig::SDL,INTERFACE_COMPILE_OPTIONS>)
target_link_libraries(test_startup PRIVATE GTest::gtest_main)
gtest_discover_tests(test_startup)

# End to end, each in its own X server, so they may run side by side.
set(XVFB_ARGS -a -s "-screen 0 1024x768x16")
add_test(NAME E2E.Storm
  COMMAND ${XVFB_RUN} ${XVFB_ARGS} ${CMAKE_CURRENT_LIST_DIR}/e2e_storm.sh
          $<TARGET_FILE:boxcity> 10)
set_tests_properties(E2E.Storm PROPERTIES TIMEOUT 300)

# Memcheck and the sanitizers cannot share a process. The long runs carry
# a cost, so that a fresh clone, which has no timings yet, starts them first
# rather than ending on memcheck alone.
if(NOT BOXCITY_SANITIZE)
  add_test(NAME E2E.Valgrind
    COMMAND ${XVFB_RUN} ${XVFB_ARGS} ${CMAKE_CURRENT_LIST_DIR}/e2e_valgrind.sh
            $<TARGET_FILE:boxcity> $<TARGET_FILE:boxcity-framecount>
            ${PROJECT_SOURCE_DIR}/tests/harness/valgrind.supp 120)
  set_tests_properties(E2E.Valgrind PROPERTIES
    LABELS valgrind TIMEOUT 3600 COST 900)
endif()

# Sanitized, the storm gets the sanitizers' environment (harness.cmake) even
# when ctest runs without scripts/test-sanitize.
if(BOXCITY_SANITIZE)
  set_tests_properties(E2E.Storm PROPERTIES ENVIRONMENT "${SANITIZE_ENV}")
endif()
