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
