// a_window_win32.cpp -- Windows: a window taken away by its owner is a normal
// end. An embedding program (the screensaver preview of the display
// settings) destroys the window it lent when it is done with it; from then
// on the handle SDL reported names no window, and the program stops.
#include <SDL_syswm.h>

#include "app.h"

// ---- globals ----

static HWND watched = nullptr;  // the window drawn into (null: unknown)
static int lost = 0;            // set once it is gone; handles are reused

// ---- functions ----

void watchWindow(void)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) > 0)
        watched = info.window;
}

int windowLost(void)
{
    if (!lost && watched && !IsWindow(watched))
        lost = 1;
    return lost;
}
