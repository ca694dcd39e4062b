// sdl12_rest_win32.cpp -- on Windows the system itself stops a screensaver
// when the display sleeps, so the layer watches nothing.
#include "sdl12_local.h"

// ---- functions ----

void sdl12WatchWindow(SDL_Window *) {}
void sdl12ForgetWindow(SDL_Window *) {}
void sdl12AskFrame(SDL_Window *) {}
void sdl12AfterSwaps(void) {}
void sdl12NoteSystemEvent(const SDL_SysWMmsg *) {}
