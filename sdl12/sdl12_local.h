// sdl12_local.h -- what the SDL 1.2 layer's video and event halves share.
// Included after the layer's public headers and before SDL 2's own.
#pragma once

#include <cstdint>

#define SDL12_LAYER
#include "SDL.h"
#include "SDL_syswm.h"

#define SDL_MAIN_HANDLED  // the program has its own entry; SDL 2 must not rename main
#include <SDL2/SDL.h>

// SDL 2's, from SDL_syswm.h, which brings in the platform's headers
struct SDL_SysWMinfo;
struct SDL_SysWMmsg;

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
// A display added while every display is covered: a window on it too.
void sdl12DisplayAdded(int display);

// Resting while nobody can see the windows (sdl12_rest_*.cpp): each window
// covering a display is watched from its creation until just before it is
// destroyed; a frame is asked for before each of its swaps; after the swaps
// of a frame the layer holds the program while no window can be seen.
void sdl12WatchWindow(SDL_Window *window);
void sdl12ForgetWindow(SDL_Window *window);
void sdl12AskFrame(SDL_Window *window);
void sdl12AfterSwaps(void);
// A window-system event SDL passed on (X11: a window covered or shown).
void sdl12NoteSystemEvent(const SDL_SysWMmsg *msg);

// The platform's own (sdl12_lent_x11.cpp, sdl12_lent_win32.cpp): a window
// lent through SDL_WINDOWID, held still while each frame goes into it.
// Whether the window a lent id names can be drawn into; the reason in SDL's
// error where not.
bool sdl12LentWindowUsable(uintptr_t id);
void sdl12KnowLentWindow(void);     // looked up once, when the mode is set
void sdl12ForgetLentWindow(void);   // the mode is closed
// Whether the lent window is still there; while true, it stays there until
// sdl12LetGoLentWindow.
bool sdl12HoldLentWindow(void);
void sdl12LetGoLentWindow(void);
// The SDL 1.2 window-manager record from SDL 2's; 1, or 0 where the platform
// has none.
int sdl12FillWMInfo(const ::SDL_SysWMinfo &wm, sdl12::SDL_SysWMinfo *info, SDL_GLContext context);
// Whether SDL 2 may start without a desktop to open windows on (Wine
// without an X display), so that start-up must try to open one.
bool sdl12MayStartWithoutDesktop(void);
// The size of the display on which the largest 4:3 picture fits; false
// where SDL knows no display.
bool sdl12LargestDisplay(int *w, int *h);
