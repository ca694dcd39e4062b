// wp_x11.h -- boxcity-wallpaper's outputs on an X server: a desktop window
// on each monitor, or the root window. Indexed 0..x11WallSlots()-1, as the
// Wayland outputs are.
#pragma once

// ---- functions ----

// Null on success (the windows shown, OpenGL ready), else the problem in one line.
const char *x11WallOpen(bool root);
int x11WallSlots(void);
// Whether the monitor may be drawn on now (not fully covered, the display
// not turned off), with its size in pixels.
bool x11WallReady(int index, int &w, int &h);
bool x11WallBegin(int index);         // its window current for drawing
void x11WallShow(int index);
bool x11WallMakeCurrent(void);        // the first window current, for setting up
// Waits up to timeoutMs (-1: until news) for the server's news or for
// extraFd; 1 extraFd readable, 0 otherwise, -1 the server is gone.
int x11WallWait(int extraFd, int timeoutMs);
