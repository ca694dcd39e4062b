// sdl12_rest_linux.cpp -- a screensaver that rests while nobody can see it,
// and windows that show on their outputs. On Wayland a compositor answers a
// window's frame requests only while it shows the window, so when none of
// the windows is answered for a while (outputs off, disabled, or covered by
// another full-screen client) nothing is drawn: the frame loop waits in the
// buffer swap until one is shown again or input comes. On X11 the same
// while the display's power is off or every window is fully covered by
// others. Only with every display covered.
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

#include "sdl12_local.h"

#include <SDL2/SDL_syswm.h>

#include "wayland.h"

// ---- constants ----

static const int MAX_WINDOWS = 16;
static const double UNSEEN_AFTER = 1.5;  // seconds unanswered: nobody sees it
static const int REST_WAIT_MS = 250;     // how long each wait while resting
static const double POWER_EVERY = 0.5;   // seconds between X11 power queries

// ---- types ----

struct Watch {
    SDL_Window *window;  // null: free
    int slot;            // its frame requests (Wayland), or -1
    bool settled;        // made full screen again once first shown
    Window xWindow;      // X11: the window, told when it is covered; or 0
    bool obscured;       // ... covered whole by other windows
};

// ---- globals ----

static Watch watches[MAX_WINDOWS];
static Display *xDisplay = nullptr;  // X11: the display whose power is asked
static double powerAskedAt = -1.0;
static bool powerOff = false;

// ---- functions ----

static double seconds(void)
{
    return (double)SDL_GetPerformanceCounter() / (double)SDL_GetPerformanceFrequency();
}

static Watch *watchOf(SDL_Window *window)
{
    for (Watch &w : watches)
        if (w.window == window)
            return &w;
    return nullptr;
}

void sdl12WatchWindow(SDL_Window *window)
{
    Watch *w = window ? watchOf(nullptr) : nullptr;
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (!w || !SDL_GetWindowWMInfo(window, &wm))
        return;
    *w = Watch{window, -1, false, 0, false};
    if (wm.subsystem == SDL_SYSWM_WAYLAND && wlFramesOpen(wm.info.wl.display)) {
        w->slot = wlFramesAdd(wm.info.wl.surface);
    } else if (wm.subsystem == SDL_SYSWM_X11) {
        // SDL does not ask for visibility changes; they come to us as
        // SDL's window-system events.
        xDisplay = wm.info.x11.display;
        w->xWindow = wm.info.x11.window;
        XWindowAttributes attributes;
        if (XGetWindowAttributes(xDisplay, w->xWindow, &attributes))
            XSelectInput(xDisplay, w->xWindow, attributes.your_event_mask | VisibilityChangeMask);
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    }
}

void sdl12NoteSystemEvent(const SDL_SysWMmsg *msg)
{
    if (!msg || msg->subsystem != SDL_SYSWM_X11 || msg->msg.x11.event.type != VisibilityNotify)
        return;
    const XVisibilityEvent &visibility = msg->msg.x11.event.xvisibility;
    for (Watch &w : watches)
        if (w.window && w.xWindow == visibility.window)
            w.obscured = visibility.state == VisibilityFullyObscured;
}

void sdl12ForgetWindow(SDL_Window *window)
{
    Watch *w = window ? watchOf(window) : nullptr;
    if (!w)
        return;
    wlFramesRemove(w->slot);
    *w = Watch{nullptr, -1, false, 0, false};
    for (const Watch &other : watches)
        if (other.window)
            return;
    wlFramesClose();
    xDisplay = nullptr;
    powerAskedAt = -1.0;
    powerOff = false;
}

void sdl12AskFrame(SDL_Window *window)
{
    Watch *w = watchOf(window);
    if (w && w->slot >= 0)
        wlFramesAsk(w->slot, seconds());
}

// sway can leave an output showing what was there before a window that
// became full screen on it as it appeared, although the window draws: once
// every window has been shown, each is made full screen again, which has the
// compositor lay out and repaint its output anew.
static void settle(void)
{
    for (const Watch &w : watches)
        if (w.window && w.slot >= 0 && !wlFramesEverShown(w.slot))
            return;
    for (Watch &w : watches) {
        if (!w.window || w.slot < 0 || w.settled)
            continue;
        w.settled = true;
        SDL_SetWindowFullscreen(w.window, 0);
        SDL_SetWindowFullscreen(w.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
}

// Wayland: no window answered for a while.
static bool unseenOnWayland(double now)
{
    bool any = false;
    for (const Watch &w : watches) {
        if (!w.window || w.slot < 0)
            continue;
        if (!wlFramesUnanswered(w.slot, UNSEEN_AFTER, now))
            return false;
        any = true;
    }
    return any;
}

// X11: the display's power is off (or on standby), asked now and then.
static bool displayAsleep(double now)
{
    if (!xDisplay)
        return false;
    if (powerAskedAt >= 0.0 && now - powerAskedAt < POWER_EVERY)
        return powerOff;
    powerAskedAt = now;
    int event, error;
    CARD16 level = DPMSModeOn;
    BOOL enabled;
    powerOff = DPMSQueryExtension(xDisplay, &event, &error) && DPMSCapable(xDisplay) &&
               DPMSInfo(xDisplay, &level, &enabled) && level != DPMSModeOn;
    return powerOff;
}

// X11: every window covered whole.
static bool allObscured(void)
{
    bool any = false;
    for (const Watch &w : watches) {
        if (!w.window || !w.xWindow)
            continue;
        if (!w.obscured)
            return false;
        any = true;
    }
    return any;
}

// What ends the rest: input (a screensaver's end), a stop request, an
// output added. Window-system events are read here meanwhile.
static bool eventWaiting(void)
{
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_SYSWMEVENT, SDL_SYSWMEVENT) == 1)
        sdl12NoteSystemEvent(event.syswm.msg);
    return SDL_HasEvent(SDL_QUIT) || SDL_HasEvents(SDL_KEYDOWN, SDL_MOUSEWHEEL) ||
           SDL_HasEvents(SDL_FINGERDOWN, SDL_FINGERMOTION) || SDL_HasEvent(SDL_DISPLAYEVENT);
}

void sdl12AfterSwaps(void)
{
    if (!sdl12EveryDisplay)
        return;
    double now = seconds();
    bool wayland = false;
    for (const Watch &w : watches)
        wayland = wayland || (w.window && w.slot >= 0);
    if (wayland) {
        if (wlFramesCollect(0, now) < 0)
            return;
        settle();
        if (!unseenOnWayland(now))
            return;
        wlFramesAskAllNow(now);
        while (wlFramesCollect(REST_WAIT_MS, seconds()) == 0 && !eventWaiting()) {
        }
        return;
    }
    while ((allObscured() || displayAsleep(seconds())) && !eventWaiting())
        SDL_Delay(REST_WAIT_MS);
}
