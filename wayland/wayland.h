// wayland.h -- what the programs ask of the Wayland compositor beside SDL:
// the idle watch, the wallpaper's layer surfaces, and whether a surface is
// still shown.
#pragma once

struct wl_display;
struct wl_surface;

// ---- functions ----

// ---- idle watch (wl_idle.cpp) ----
// Connects to the compositor that WAYLAND_DISPLAY names and asks it to tell
// when the seat has had no input for timeoutMs, and when it has again. The
// name of the protocol it answers through, or null: none of the two offered,
// or no display (what was looked for is then in wlIdleLookedFor).
const char *wlIdleOpen(unsigned timeoutMs);
extern const char wlIdleLookedFor[];
// Waits up to timeoutMs (-1: no limit) for the compositor's news or for
// stopFd to become readable. 1 stopFd readable, 0 news or the time up,
// -1 the compositor is gone.
int wlIdleWait(int stopFd, int timeoutMs);
bool wlIdleNow(void);                 // idle for the timeout, no input since
unsigned wlIdleResumes(void);         // how often input ended an idle period
void wlIdleClose(void);

// ---- wallpaper layer (wl_layer.cpp) ----
// Connects to the compositor that WAYLAND_DISPLAY names, puts a surface that
// takes no input beneath the windows of each output (the background layer,
// or the bottom one), and makes an OpenGL context current. Null on success,
// else the problem in one line.
const char *wlLayerOpen(bool bottom);
// Waits up to timeoutMs (-1: no limit) for the compositor's news or for
// extraFd (-1: none) to become readable. 1 extraFd readable, 0 news or the
// time up, -1 the compositor is gone.
int wlLayerWait(int extraFd, int timeoutMs);
int wlLayerSlots(void);               // outputs are indexed 0..wlLayerSlots()-1
// Whether the output in this slot may be drawn on now (placed, and shown
// since its last frame), with its size in device pixels.
bool wlLayerReady(int index, int &w, int &h);
// Makes the output's surface current for drawing; false when it is not ready.
bool wlLayerBegin(int index);
void wlLayerShow(int index);          // shows what was drawn; ready again once seen
void wlLayerClose(void);

// ---- frames shown (wl_frames.cpp) ----
// A compositor answers a surface's frame request only while it shows the
// surface somewhere, so requests of our own, on a private event queue that SDL
// never dispatches, tell whether anyone can see a window: an output turned
// off, disabled or covered answers none.

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
