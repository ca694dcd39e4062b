# wallpaper.cmake -- boxcity-wallpaper: its command line everyday; on
# sway's headless back end, KWin's virtual one and on Xvfb with openbox
# (label saver, which scripts/test-saver runs after installing sway, KWin,
# foot, weston and dbusmock).
find_program(BOXCITY_SWAY sway)
find_program(BOXCITY_FOOT foot)
find_program(BOXCITY_WESTON weston)
if(TARGET boxcity-wallpaper AND BOXCITY_SWAY AND BOXCITY_FOOT AND BOXCITY_WESTON)
  add_test(NAME E2E.Wallpaper.Sway
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/e2e_wallpaper.sh $<TARGET_FILE:boxcity-wallpaper>)
  set_tests_properties(E2E.Wallpaper.Sway PROPERTIES LABELS "long;saver" TIMEOUT 300)
endif()

find_program(BOXCITY_KWIN kwin_wayland)
if(TARGET boxcity-wallpaper AND BOXCITY_KWIN)
  add_test(NAME E2E.Wallpaper.KWin
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/e2e_wallpaper_kwin.sh $<TARGET_FILE:boxcity-wallpaper>)
  set_tests_properties(E2E.Wallpaper.KWin PROPERTIES LABELS "long;saver" TIMEOUT 120)
endif()

# On Xvfb with openbox, which the set-up's test packages bring.
if(TARGET boxcity-wallpaper)
  add_test(NAME E2E.Wallpaper.X11
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../harness/xserver_run.sh
                   bash ${CMAKE_CURRENT_LIST_DIR}/e2e_wallpaper_x11.sh $<TARGET_FILE:boxcity-wallpaper>)
  set_tests_properties(E2E.Wallpaper.X11 PROPERTIES LABELS "long;saver" TIMEOUT 120)
  add_test(NAME Wallpaper.Version COMMAND boxcity-wallpaper --version)
  set_tests_properties(Wallpaper.Version PROPERTIES PASS_REGULAR_EXPRESSION
    "^boxcity-wallpaper ${PROJECT_VERSION}\nCopyright [^\n]*\nLicense MIT [^\n]*\n$")
  add_test(NAME Wallpaper.Help COMMAND boxcity-wallpaper --help)
  set_tests_properties(Wallpaper.Help PROPERTIES PASS_REGULAR_EXPRESSION "^usage: boxcity-wallpaper ")
  # Each line: the status expected, the environment, the arguments. Bad
  # input is one line and status 2; the options outrank the environment, so
  # a good option over a bad variable gets as far as the missing display.
  add_test(NAME Wallpaper.RefusedInput COMMAND sh -c [[
    for line in '2||--bogus' '2||--max-fps 1001' '2||--resolution 0x5' '2||--letterbox extra' \
                '2|BOXCITY_MAX_FPS=fast|' '2|BOXCITY_RESOLUTION=big|--max-fps 5' \
                '1|BOXCITY_MAX_FPS=fast|--max-fps 5' '1|BOXCITY_RESOLUTION=big|--resolution native'; do
      want=${line%%|*} rest=${line#*|} env=${rest%%|*} args=${rest#*|}
      env -u WAYLAND_DISPLAY -u DISPLAY $env "$0" $args 2>err; got=$?
      [ "$got" = "$want" ] && [ "$(wc -l <err)" = 1 ] ||
        { echo "'$env' '$args': status $got, expected $want: $(cat err)"; exit 1; }
    done]] $<TARGET_FILE:boxcity-wallpaper>)
endif()
