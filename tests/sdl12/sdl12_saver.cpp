// sdl12_saver.cpp -- boxcity.scr's full-screen run (/s), built on Linux over
// the SDL 1.2 layer: every display covered, ended by the screensaver's input
// rules. The two-monitor tests run it where Wine is not needed.
#include "app.h"
#include "win_scr.h"

extern "C" int SDL_main(int argc, char *argv[])
{
    (void)argc;
    (void)argv;
    SDL12_CoverEveryDisplay(1);
    eventHandler = scrSaverEvent;
    runCity();
}

int main(int argc, char *argv[])
{
    return SDL_main(argc, argv);
}
