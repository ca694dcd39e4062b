// SDL_syswm.h -- SDL 1.2's window-manager information, from the project's
// SDL 1.2 layer over SDL 2: the native window the video mode drew into, for
// the shell to notice when its owner takes it away. Windows: the window
// handle; elsewhere: the X11 display and window (subsystem SDL_SYSWM_X11).
#pragma once

#include "SDL.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <X11/Xlib.h>
#endif

namespace sdl12 {

// ---- constants ----

const Uint8 SDL_MAJOR_VERSION = 1;
const Uint8 SDL_MINOR_VERSION = 2;
const Uint8 SDL_PATCHLEVEL = 15;

#ifndef _WIN32
enum SDL_SYSWM_TYPE { SDL_SYSWM_X11 };
#endif

// ---- types ----

struct SDL_version {
    Uint8 major;
    Uint8 minor;
    Uint8 patch;
};

#ifdef _WIN32
struct SDL_SysWMinfo {
    SDL_version version;  // the caller's, set with SDL_VERSION
    HWND window;          // the window drawn into
    HGLRC hglrc;          // its OpenGL context
};
#else
struct SDL_SysWMinfo {
    SDL_version version;     // the caller's, set with SDL_VERSION
    SDL_SYSWM_TYPE subsystem;
    union {
        struct {
            Display *display;  // the connection SDL draws through
            Window window;     // the window drawn into
        } x11;
    } info;
};
#endif

// ---- functions ----

// 1 and the window's details, 0 where the window is of another kind (a
// Wayland surface), -1 before a video mode is set.
int SDL_GetWMInfo(SDL_SysWMinfo *info);

} // namespace sdl12

// SDL 2 has a macro of this name, which the layer's own sources see.
#ifndef SDL12_LAYER
#define SDL_VERSION(version)                  \
    {                                         \
        (version)->major = SDL_MAJOR_VERSION; \
        (version)->minor = SDL_MINOR_VERSION; \
        (version)->patch = SDL_PATCHLEVEL;    \
    }
#endif
