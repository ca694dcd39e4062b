# reliability.cmake -- the long-running guarantees: the soak of the world's
# invariants, the start-up failure paths, the event storm against the real
# program, the program under memcheck, and the headless runner that the
# sanitizer build drives.
#
# Labels: `long` for the million-step soak, `valgrind` for the memcheck run;
# both are left out of a plain `ctest -LE 'long|valgrind'`.

if(NOT BOXCITY_CORE_ONLY)
  # Headless runner: N steps of a seeded world, every k-th frame drawn offscreen.
  add_executable(boxcity-headless ${CMAKE_CURRENT_SOURCE_DIR}/headless_run.cpp)
  target_link_libraries(boxcity-headless PRIVATE sim render offscreen)
  set_target_properties(boxcity-headless PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})

  # Frame counter preloaded into the real program by the memcheck test.
  add_library(boxcity-framecount SHARED ${CMAKE_CURRENT_SOURCE_DIR}/frame_count.cpp)
  target_link_libraries(boxcity-framecount PRIVATE ${CMAKE_DL_LIBS})
endif()

# Soak: a short form in every run, the million steps per seed labelled long.
add_executable(test_soak ${CMAKE_CURRENT_SOURCE_DIR}/test_soak.cpp)
target_link_libraries(test_soak PRIVATE sim world GTest::gtest_main)
gtest_discover_tests(test_soak)
set(SOAK_SEEDS 1 20240611 4000000000)
foreach(i RANGE 2)
  list(GET SOAK_SEEDS ${i} seed)
  add_test(NAME Soak.Million.Seed${seed}
    COMMAND test_soak --gtest_filter=Soak/SoakSeeds.EveryStepKeepsTheInvariants/${i})
  set_tests_properties(Soak.Million.Seed${seed} PROPERTIES
    ENVIRONMENT BOXCITY_SOAK_STEPS=1000000 LABELS long TIMEOUT 3600)
endforeach()

# The rest needs the display side.
if(BOXCITY_CORE_ONLY)
  return()
endif()

# Start-up: the shell's own sources against stand-ins for SDL and for the
# other subsystems, so that every failure path can be made to happen.
add_executable(test_startup ${CMAKE_CURRENT_SOURCE_DIR}/test_startup.cpp
  ${PROJECT_SOURCE_DIR}/app/a_main.cpp ${PROJECT_SOURCE_DIR}/app/a_events.cpp)
target_include_directories(test_startup PRIVATE
  ${PROJECT_SOURCE_DIR}/app ${PROJECT_SOURCE_DIR}/render
  ${PROJECT_SOURCE_DIR}/sim ${PROJECT_SOURCE_DIR}/world
  $<TARGET_PROPERTY:PkgConfig::SDL,INTERFACE_INCLUDE_DIRECTORIES>)
target_compile_options(test_startup PRIVATE
  $<TARGET_PROPERTY:PkgConfig::SDL,INTERFACE_COMPILE_OPTIONS>)
target_link_libraries(test_startup PRIVATE GTest::gtest_main)
gtest_discover_tests(test_startup)

# End to end, each in its own Xvfb (tests/xvfb_run.sh), so they may run side
# by side.
set(XVFB_ARGS -a -s "-screen 0 1024x768x16")
add_test(NAME E2E.Storm
  COMMAND ${XVFB_RUN} ${XVFB_ARGS} ${CMAKE_CURRENT_SOURCE_DIR}/e2e_storm.sh
          $<TARGET_FILE:boxcity> 10)
set_tests_properties(E2E.Storm PROPERTIES TIMEOUT 300)

# Memcheck and the sanitizers cannot share a process.
if(NOT BOXCITY_SANITIZE)
  add_test(NAME E2E.Valgrind
    COMMAND ${XVFB_RUN} ${XVFB_ARGS} ${CMAKE_CURRENT_SOURCE_DIR}/e2e_valgrind.sh
            $<TARGET_FILE:boxcity> $<TARGET_FILE:boxcity-framecount>
            ${CMAKE_CURRENT_SOURCE_DIR}/valgrind.supp 120)
  set_tests_properties(E2E.Valgrind PROPERTIES
    LABELS valgrind TIMEOUT 3600 RESOURCE_LOCK xvfb)
endif()

# Sanitizer runs: the options every sanitized process gets, and the Mesa
# driver kept loaded (preloaded) so that LeakSanitizer can see the blocks its
# caches hold; unloaded, they would show as leaks from an unknown module.
if(BOXCITY_SANITIZE)
  find_file(BOXCITY_DRI_DRIVER swrast_dri.so
    PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/dri /usr/lib64/dri /usr/lib/dri
    NO_DEFAULT_PATH)
  set(SANITIZE_ENV
    "ASAN_OPTIONS=verify_asan_link_order=0:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    # Quoted: the sanitizers split their options at spaces and colons.
    "LSAN_OPTIONS=suppressions=\"${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp\":print_suppressions=0")
  # Mesa's EGL too, which SDL loads and unloads for its offscreen driver.
  find_file(BOXCITY_EGL_MESA libEGL_mesa.so.0
    PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE} /usr/lib64 /usr/lib NO_DEFAULT_PATH)
  set(preload ${BOXCITY_DRI_DRIVER} ${BOXCITY_EGL_MESA})
  list(FILTER preload EXCLUDE REGEX "NOTFOUND$")
  if(preload)
    string(REPLACE ";" ":" preload "${preload}")
    list(APPEND SANITIZE_ENV "LD_PRELOAD=${preload}")
  endif()
  set_tests_properties(E2E.Storm PROPERTIES ENVIRONMENT "${SANITIZE_ENV}")
  # The same for every other test, when a script runs ctest in this tree.
  set(env_lines "")
  foreach(assignment IN LISTS SANITIZE_ENV)
    string(REGEX REPLACE "^([A-Z_]+)=(.*)$" "export \\1='\\2'\n" line "${assignment}")
    string(APPEND env_lines "${line}")
  endforeach()
  file(WRITE ${PROJECT_BINARY_DIR}/sanitize.env
    "# Written by tests/reliability.cmake: the environment of sanitized runs.\n${env_lines}")
endif()
