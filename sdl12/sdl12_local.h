// sdl12_local.h -- what the SDL 1.2 layer's video and event halves share.
// Included after the layer's public headers and before SDL 2's own.
#pragma once

#define SDL12_LAYER
#include "SDL.h"
#include "SDL_syswm.h"

#define SDL_MAIN_HANDLED  // the program has its own entry; SDL 2 must not rename main
#include <SDL2/SDL.h>

// ---- types ----

// Where the picture lies on the window: the letterbox, in window coordinates.
struct Sdl12Picture {
    int x, y, w, h;     // the scaled picture
    int width, height;  // the mode's own size
};

// ---- globals ----

extern SDL_Window *sdl12Window;     // the video mode's window, or null
extern Sdl12Picture sdl12Picture;   // updated at every buffer swap
extern bool sdl12EveryDisplay;      // full screen covers every display

// ---- functions ----

// Every display covered (sdl12_displays.cpp): a full-screen window placed
// and sized as the display (0: the primary), then one on each other display.
SDL_Window *sdl12DisplayWindow(int display, Uint32 flags);
// canCopy: the picture lies in a framebuffer object the windows can copy.
void sdl12OpenOtherDisplays(SDL_GLContext context, bool canCopy);
// show draws the picture into the window the context is current on.
void sdl12ShowOnOtherDisplays(SDL_GLContext context, void (*show)(SDL_Window *window));
void sdl12CloseOtherDisplays(void);
// The size of the display on which the largest 4:3 picture fits; false
// where SDL knows no display.
bool sdl12LargestDisplay(int *w, int *h);
