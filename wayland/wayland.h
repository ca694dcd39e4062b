// wayland.h -- what the programs speak to a Wayland compositor beyond SDL.
//
// Frames shown (wl_frames.cpp): a compositor answers a surface's frame
// request only while it shows the surface somewhere, so requests of our own,
// on a private event queue that SDL never dispatches, tell whether anyone
// can see a window: an output turned off, disabled or covered answers none.
#pragma once

struct wl_display;
struct wl_surface;

// ---- functions ----

// Starts watching surfaces of this display; false where it cannot.
bool wlFramesOpen(wl_display *display);
void wlFramesClose(void);
// A surface to watch: its slot, or -1 when full or not open.
int wlFramesAdd(wl_surface *surface);
void wlFramesRemove(int slot);
// A frame request that rides on the surface's next commit, unless one is
// still unanswered or one was asked less than a quarter second ago.
void wlFramesAsk(int slot, double now);
// Reads what the compositor sent, without waiting, then waits up to
// timeoutMs for an answer where that is above 0. The number of surfaces
// shown since the last call; -1 once the connection is broken.
int wlFramesCollect(int timeoutMs, double now);
// Whether the surface's last request has been unanswered for longer than
// seconds (never asked: false).
bool wlFramesUnanswered(int slot, double seconds, double now);
// Whether the compositor has shown the surface at least once.
bool wlFramesEverShown(int slot);
// Sends every surface a request committed now, so that the compositor
// answers once it shows any of them again.
void wlFramesAskAllNow(double now);
