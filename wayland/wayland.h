// wayland.h -- what the programs ask of the Wayland compositor beside SDL.
#pragma once

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
