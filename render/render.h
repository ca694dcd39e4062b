// render.h -- draws the world with fixed-function OpenGL 1.1: the fixed state
// and projection once, then every frame four indexed quad draws straight from
// the world's client-side arrays.
#pragma once

// The viewport's size for the next initGL (default 1024x768). The projection
// keeps its 4:3 aspect, so any 4:3 size shows the same picture.
void setPictureSize(int width, int height);
int  initGL(void);                    // fixed state, viewport, projection; 1
void drawFrame(void);                 // one frame's GL drawing, no pause or swap
int  drawGLScene(void);               // drawFrame, 6 ms pause, buffer swap; 1
