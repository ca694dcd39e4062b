// a_window_x11.cpp -- X11: a window taken away by its owner is a normal end. A
// screensaver daemon or a foreign embedder may destroy the window while a
// frame is still being presented into it; Xlib's default error handler would
// then print the error and end the process with status 1. Errors about our
// own window become a stop request instead; every other X error goes on to
// the handler that was there before.
#include <SDL_syswm.h>

#include "app.h"

// ---- globals ----

static Window watched = 0;                 // our X window (0: not on X11)
static int lost = 0;                       // set once the window is gone
static XErrorHandler previous = nullptr;   // SDL's handler, then Xlib's default

// ---- functions ----

static int onXError(Display *display, XErrorEvent *error)
{
    // Once the window is gone, whatever depended on it fails too (its GC,
    // the last swap, shut-down): nothing of that is worth reporting.
    if (lost)
        return 0;
    bool aboutWindow = error->resourceid == watched &&
                       (error->error_code == BadWindow || error->error_code == BadDrawable ||
                        error->error_code == BadMatch);
    if (aboutWindow) {
        lost = 1;
        return 0;
    }
    return previous ? previous(display, error) : 0;
}

void watchWindow(void)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11)
        return;
    watched = info.info.x11.window;
    previous = XSetErrorHandler(onXError);
}

int windowLost(void)
{
    return lost;
}
