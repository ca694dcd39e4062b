// sdl12_lent_x11.cpp -- the SDL 1.2 layer's X11 half: a window lent through
// SDL_WINDOWID checked before SDL gets it, and held through every buffer
// swap, and the window-manager record. A lent window may be destroyed by its
// owner at any moment; with the server grabbed while a frame goes into it,
// no other client can destroy it between the check and the swap.
#include "sdl12_local.h"

#include <SDL2/SDL_syswm.h>

// ---- globals ----

// The lent window as the server knows it, looked up once when the mode is
// set; without it (not X) the window is drawn into unchecked.
static bool lentKnown = false;
static Display *lentDisplay = nullptr;
static Window lentHandle = 0;
static Window checked = 0;                // the window being looked for
static bool checkFailed = false;          // the server said it is not there
static XErrorHandler outerHandler = nullptr;  // the handler before the check's

// ---- functions ----

// Only the check's own errors are taken here; any other goes on.
static int onCheckError(Display *display, XErrorEvent *error)
{
    if (error->resourceid == checked) {
        checkFailed = true;
        return 0;
    }
    return outerHandler ? outerHandler(display, error) : 0;
}

// Whether the window exists, asked without any error reaching the program's
// own handler (an X error about its window is a stop request to it).
static bool windowExists(Display *display, Window window, XWindowAttributes *attributes)
{
    checked = window;
    checkFailed = false;
    outerHandler = XSetErrorHandler(onCheckError);
    bool there = XGetWindowAttributes(display, window, attributes) != 0 && !checkFailed;
    XSetErrorHandler(outerHandler);
    return there;
}

// An id of no window is caught here: SDL would hand Xlib's error to its
// default handler, which prints several lines and ends the process.
bool sdl12LentWindowUsable(uintptr_t id)
{
    const char *driver = SDL_GetCurrentVideoDriver();
    Display *display = driver && SDL_strcmp(driver, "x11") == 0 ? XOpenDisplay(nullptr) : nullptr;
    if (display) {
        XWindowAttributes attributes;
        bool there = windowExists(display, (Window)id, &attributes);
        XCloseDisplay(display);
        if (!there) {
            ::SDL_SetError("no such window");
            return false;
        }
        // Tried all the same, it leaves the GL driver a GC that fails to go
        // at exit, which Xlib's default handler reports.
        if (attributes.c_class == InputOnly) {
            ::SDL_SetError("an input-only window, which nothing can be drawn into");
            return false;
        }
    }
    return true;
}

void sdl12KnowLentWindow(void)
{
    ::SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    lentKnown = SDL_GetWindowWMInfo(sdl12Window, &wm) != 0 && wm.subsystem == ::SDL_SYSWM_X11;
    if (lentKnown) {
        lentDisplay = wm.info.x11.display;
        lentHandle = wm.info.x11.window;
    }
}

void sdl12ForgetLentWindow(void)
{
    lentKnown = false;
}

bool sdl12HoldLentWindow(void)
{
    if (!lentKnown)
        return true;  // nothing to ask: drawn into as before
    XGrabServer(lentDisplay);
    XSync(lentDisplay, False);  // earlier requests' errors go to their own handler
    XWindowAttributes attributes;
    bool there = windowExists(lentDisplay, lentHandle, &attributes);
    if (!there) {
        XUngrabServer(lentDisplay);
        XFlush(lentDisplay);
    }
    return there;
}

void sdl12LetGoLentWindow(void)
{
    if (lentKnown) {
        XUngrabServer(lentDisplay);
        XFlush(lentDisplay);
    }
}

int sdl12FillWMInfo(const ::SDL_SysWMinfo &wm, sdl12::SDL_SysWMinfo *info, SDL_GLContext)
{
    if (wm.subsystem != ::SDL_SYSWM_X11)
        return 0;
    info->subsystem = sdl12::SDL_SYSWM_X11;
    info->info.x11.display = wm.info.x11.display;
    info->info.x11.window = wm.info.x11.window;
    return 1;
}

bool sdl12MayStartWithoutDesktop(void)
{
    return false;  // no display, no SDL: its start-up says so itself
}
