// offscreen.h -- an OpenGL context without a display: EGL (Mesa's surfaceless
// platform, or a GPU's device platform) with a framebuffer object of RGBA8
// colour and 24-bit depth, so that the renderer can draw exactly the frames
// the program shows, for the tools, the tests and the benchmarks.
#pragma once

// Makes a context current with a width x height target bound for drawing.
// Returns null on success, else a line saying what failed.
const char *offscreenOpen(int width, int height);
// Reads the target as RGBA, top row first (as an image is stored).
void offscreenRead(unsigned char *rgba);
void offscreenClose(void);
