// wl_local.h -- what the wayland/ library's own files share.
#pragma once

struct wl_display;

// ---- functions ----

// Sends what is queued, waits up to timeoutMs (-1: no limit) for the
// compositor's news or for extraFd (-1: none) to become readable, and
// dispatches what came. 1 extraFd readable, 0 news or the time up, -1 the
// connection is broken.
int wlDisplayWait(wl_display *display, int extraFd, int timeoutMs);
