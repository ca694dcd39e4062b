# harness.cmake -- what the groups' tests share: the X server each display
# test starts for itself, the helper programs of the end-to-end scripts, and
# the environment of sanitized runs.

# Each display test gets an X server of its own (xserver_run.sh), so they may
# run side by side; XORG_TWO runs on two monitors where Xorg is installed.
find_program(BOXCITY_XVFB Xvfb REQUIRED)
set(XVFB_RUN bash ${CMAKE_CURRENT_LIST_DIR}/xserver_run.sh)
find_program(BOXCITY_XORG Xorg)
set(XORG_TWO bash ${CMAKE_CURRENT_LIST_DIR}/xserver_run.sh --two-monitors)

# SDL's own reason for a failing start-up step, a window manager's close
# request, a window lent to the program under test.
add_executable(shell_sdlprobe ${CMAKE_CURRENT_LIST_DIR}/shell_sdlprobe.cpp)
target_link_libraries(shell_sdlprobe PRIVATE PkgConfig::SDL)
find_package(X11 REQUIRED)
add_executable(shell_xclose ${CMAKE_CURRENT_LIST_DIR}/shell_xclose.cpp)
target_link_libraries(shell_xclose PRIVATE X11::X11)
add_executable(shell_xwindow ${CMAKE_CURRENT_LIST_DIR}/shell_xwindow.cpp)
target_link_libraries(shell_xwindow PRIVATE X11::X11)

# Headless runner: N steps of a seeded world, every k-th frame drawn offscreen.
add_executable(boxcity-headless ${CMAKE_CURRENT_LIST_DIR}/headless_run.cpp)
target_link_libraries(boxcity-headless PRIVATE sim render offscreen)
set_target_properties(boxcity-headless PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})

# Preloaded: a frame counter into the real program, and a write made to fail
# after boxcity-snap's early checks.
add_library(boxcity-framecount SHARED ${CMAKE_CURRENT_LIST_DIR}/frame_count.cpp)
target_link_libraries(boxcity-framecount PRIVATE ${CMAKE_DL_LIBS})
add_library(snap-write-fault SHARED ${CMAKE_CURRENT_LIST_DIR}/write_fault.cpp)
target_link_libraries(snap-write-fault PRIVATE ${CMAKE_DL_LIBS})
# And the lent window destroyed mid-frame, where the layer's swap must see it.
add_library(lent-gone SHARED ${CMAKE_CURRENT_LIST_DIR}/lent_gone.cpp)
target_link_libraries(lent-gone PRIVATE X11::X11 ${CMAKE_DL_LIBS})

# Sanitizer runs: the options every sanitized process gets, and the Mesa
# driver kept loaded (preloaded) so that LeakSanitizer can see the blocks its
# caches hold; unloaded, they would show as leaks from an unknown module.
# scripts/test-sanitize reads them from sanitize.env.
if(BOXCITY_SANITIZE)
  find_file(BOXCITY_DRI_DRIVER swrast_dri.so
    PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/dri /usr/lib64/dri /usr/lib/dri
    NO_DEFAULT_PATH)
  set(SANITIZE_ENV
    "ASAN_OPTIONS=verify_asan_link_order=0:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    # Quoted: the sanitizers split their options at spaces and colons.
    "LSAN_OPTIONS=suppressions=\"${CMAKE_CURRENT_LIST_DIR}/lsan.supp\":print_suppressions=0")
  # Mesa's EGL too, which SDL loads and unloads for its offscreen driver.
  find_file(BOXCITY_EGL_MESA libEGL_mesa.so.0
    PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE} /usr/lib64 /usr/lib NO_DEFAULT_PATH)
  set(preload ${BOXCITY_DRI_DRIVER} ${BOXCITY_EGL_MESA})
  list(FILTER preload EXCLUDE REGEX "NOTFOUND$")
  if(preload)
    string(REPLACE ";" ":" preload "${preload}")
    list(APPEND SANITIZE_ENV "LD_PRELOAD=${preload}")
  endif()
  set(env_lines "")
  foreach(assignment IN LISTS SANITIZE_ENV)
    string(REGEX REPLACE "^([A-Z_]+)=(.*)$" "export \\1='\\2'\n" line "${assignment}")
    string(APPEND env_lines "${line}")
  endforeach()
  file(WRITE ${PROJECT_BINARY_DIR}/sanitize.env
    "# Written by tests/harness/harness.cmake: the environment of sanitized runs.\n${env_lines}")
endif()
