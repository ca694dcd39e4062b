// web_local.h -- inside the browser build: the calls that the JavaScript side
// (web_webgl.js) offers to C++, for WebGL and for the page around the canvas.
#pragma once

#include <cstdint>

//----------------------------------------------------------------------------
// Functions
//----------------------------------------------------------------------------
extern "C" {

// WebGL on the canvas with the id "city". Buffers are named by small numbers
// from 1; 0 is none.
int  webglOpen(char *reason, int size);           // 1, or 0 with the reason
int  webglSoftware(void);                          // the renderer draws on the CPU
void webglSwitch(uint32_t cap, int on);            // depth test, blending, dithering
void webglDepthFunc(uint32_t func);
void webglBlendFunc(uint32_t source, uint32_t destination);
void webglClearColor(double r, double g, double b, double a);
void webglClearDepth(double depth);
void webglViewport(int x, int y, int width, int height);
void webglClear(uint32_t mask);
int  webglBuffer(int elements, const void *data, uint32_t bytes, int changing);
void webglBufferUpdate(int buffer, uint32_t offset, const void *data, uint32_t bytes);
// Triangles: positions, per-vertex colours (0: the one colour r, g, b, a).
void webglDraw(const float *matrix, int positions, int colors,
               double r, double g, double b, double a, int indexes, uint32_t count);

// The page: the address's parameters, the one-line failure, the canvas's
// attributes and the status line shown while nothing can be seen yet.
int  pageParam(const char *name, char *value, int size); // its length, or -1: absent
void pageFail(const char *line);
void pageSetAttribute(const char *name, const char *value);
void pageStatus(const char *line);                 // "" hides it
void pageFirstPicture(void);
int  pageReducedMotion(void);                     // the reader asks for less motion
void pagePaused(int paused, int first);           // at the first picture and each change
// As a wallpaper: the page is one (it fills the screen), a host's setting
// (its length, or -1: none given) and whether the host pauses it.
int  pageWallpaper(void);
int  pageHost(const char *name, char *value, int size);
int  pageHostPaused(void);
// The canvas: the area it fills in device pixels, its own pixels, and a call
// of webResize whenever the area or the device pixel ratio changes.
void pageAreaSize(int *width, int *height);
void pageCanvasSize(int width, int height);
void pageWatchSize(void);

}
