// a_area_x11.cpp -- X11: the size of the window lent in SDL_WINDOWID, so that
// the picture can be drawn at the pixels it will fill. A window that cannot
// be asked about is left to SDL, which says why it cannot draw there.
#include <X11/Xlib.h>

#include <cstdlib>

#include "a_frames.h"

// ---- globals ----

static bool askFailed = false;

// ---- functions ----

static int onAskError(Display *, XErrorEvent *)
{
    askFailed = true;
    return 0;
}

bool lentWindowSize(int &w, int &h)
{
    const char *text = std::getenv("SDL_WINDOWID");
    if (!text || !*text)
        return false;
    char *end;
    const unsigned long id = std::strtoul(text, &end, 0);
    if (*end || id == 0)
        return false;
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    askFailed = false;
    XErrorHandler previous = XSetErrorHandler(onAskError);
    XWindowAttributes attributes;
    const bool known = XGetWindowAttributes(display, (Window)id, &attributes) != 0;
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    if (!known || askFailed)
        return false;
    w = attributes.width;
    h = attributes.height;
    return true;
}
