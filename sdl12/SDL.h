// SDL.h -- the SDL 1.2 API as boxcity's shell and renderer call it, for
// platforms without an SDL 1.2 of their own (Windows): a layer of the
// project's own over SDL 2, behaving as Debian's sdl12-compat does where it
// matters to a user. Only the calls boxcity makes are here.
//
// Everything is declared in namespace sdl12, with C++ linkage, so that these
// names never meet SDL 2's same-named C functions and types: not at link
// time, and not in the layer's own sources, which see both. Every other
// includer gets the names unqualified, as from SDL 1.2's own header.
#pragma once

#include <stdint.h>

namespace sdl12 {

// ---- types ----

typedef uint8_t Uint8;
typedef uint16_t Uint16;
typedef uint32_t Uint32;
typedef int16_t Sint16;

// ---- constants ----

// SDL_Init: the one subsystem boxcity starts.
const Uint32 SDL_INIT_VIDEO = 0x00000020;

// SDL_SetVideoMode flags. Surface memory and blitting flags are accepted and
// mean nothing for an OpenGL mode.
const Uint32 SDL_SWSURFACE = 0x00000000;
const Uint32 SDL_HWSURFACE = 0x00000001;
const Uint32 SDL_OPENGL = 0x00000002;
const Uint32 SDL_ASYNCBLIT = 0x00000004;
const Uint32 SDL_HWACCEL = 0x00000100;
const Uint32 SDL_HWPALETTE = 0x20000000;
const Uint32 SDL_DOUBLEBUF = 0x40000000;
const Uint32 SDL_FULLSCREEN = 0x80000000;

// SDL_ShowCursor
const int SDL_QUERY = -1;
const int SDL_DISABLE = 0;
const int SDL_ENABLE = 1;

// Key and button state
const Uint8 SDL_RELEASED = 0;
const Uint8 SDL_PRESSED = 1;

// The wheel, reported as buttons pressed and released at once
const Uint8 SDL_BUTTON_WHEELUP = 4;
const Uint8 SDL_BUTTON_WHEELDOWN = 5;

// SDL_ActiveEvent state bits
const Uint8 SDL_APPMOUSEFOCUS = 0x01;
const Uint8 SDL_APPINPUTFOCUS = 0x02;
const Uint8 SDL_APPACTIVE = 0x04;

enum SDL_EventType {
    SDL_NOEVENT = 0,
    SDL_ACTIVEEVENT = 1,
    SDL_KEYDOWN = 2,
    SDL_KEYUP = 3,
    SDL_MOUSEMOTION = 4,
    SDL_MOUSEBUTTONDOWN = 5,
    SDL_MOUSEBUTTONUP = 6,
    SDL_QUIT = 12,
    SDL_VIDEOEXPOSE = 17,
};

enum SDL_GLattr {
    SDL_GL_RED_SIZE = 0,
    SDL_GL_GREEN_SIZE = 1,
    SDL_GL_BLUE_SIZE = 2,
    SDL_GL_ALPHA_SIZE = 3,
    SDL_GL_BUFFER_SIZE = 4,
    SDL_GL_DOUBLEBUFFER = 5,
    SDL_GL_DEPTH_SIZE = 6,
    SDL_GL_STENCIL_SIZE = 7,
    SDL_GL_ACCUM_RED_SIZE = 8,
    SDL_GL_ACCUM_GREEN_SIZE = 9,
    SDL_GL_ACCUM_BLUE_SIZE = 10,
    SDL_GL_ACCUM_ALPHA_SIZE = 11,
    SDL_GL_STEREO = 12,
    SDL_GL_MULTISAMPLEBUFFERS = 13,
    SDL_GL_MULTISAMPLESAMPLES = 14,
    SDL_GL_ACCELERATED_VISUAL = 15,
    SDL_GL_SWAP_CONTROL = 16,
};

// Key codes: printable keys are their ASCII code, the rest as numbered here.
enum SDLKey {
    SDLK_UNKNOWN = 0,
    SDLK_BACKSPACE = 8,
    SDLK_TAB = 9,
    SDLK_RETURN = 13,
    SDLK_ESCAPE = 27,
    SDLK_SPACE = 32,
    SDLK_DELETE = 127,
    SDLK_KP0 = 256,  // ... SDLK_KP9 = 265
    SDLK_KP_PERIOD = 266,
    SDLK_KP_DIVIDE = 267,
    SDLK_KP_MULTIPLY = 268,
    SDLK_KP_MINUS = 269,
    SDLK_KP_PLUS = 270,
    SDLK_KP_ENTER = 271,
    SDLK_KP_EQUALS = 272,
    SDLK_UP = 273,
    SDLK_DOWN = 274,
    SDLK_RIGHT = 275,
    SDLK_LEFT = 276,
    SDLK_INSERT = 277,
    SDLK_HOME = 278,
    SDLK_END = 279,
    SDLK_PAGEUP = 280,
    SDLK_PAGEDOWN = 281,
    SDLK_F1 = 282,  // ... SDLK_F15 = 296
    SDLK_NUMLOCK = 300,
    SDLK_CAPSLOCK = 301,
    SDLK_SCROLLOCK = 302,
    SDLK_RSHIFT = 303,
    SDLK_LSHIFT = 304,
    SDLK_RCTRL = 305,
    SDLK_LCTRL = 306,
    SDLK_RALT = 307,
    SDLK_LALT = 308,
    SDLK_RMETA = 309,
    SDLK_LMETA = 310,
    SDLK_LSUPER = 311,
    SDLK_RSUPER = 312,
    SDLK_MODE = 313,
    SDLK_HELP = 315,
    SDLK_PRINT = 316,
    SDLK_SYSREQ = 317,
    SDLK_BREAK = 318,
    SDLK_MENU = 319,
    SDLK_POWER = 320,
    SDLK_UNDO = 322,
};

// Modifier bits (SDL 2 numbers them the same way).
enum SDLMod {
    KMOD_NONE = 0x0000,
    KMOD_LSHIFT = 0x0001,
    KMOD_RSHIFT = 0x0002,
    KMOD_LCTRL = 0x0040,
    KMOD_RCTRL = 0x0080,
    KMOD_LALT = 0x0100,
    KMOD_RALT = 0x0200,
    KMOD_LMETA = 0x0400,
    KMOD_RMETA = 0x0800,
    KMOD_NUM = 0x1000,
    KMOD_CAPS = 0x2000,
    KMOD_MODE = 0x4000,
};

// ---- records ----

struct SDL_PixelFormat {
    Uint8 BitsPerPixel;
    Uint8 BytesPerPixel;
};

// The video surface of an OpenGL mode: its size and format, no pixels.
struct SDL_Surface {
    Uint32 flags;
    SDL_PixelFormat *format;
    int w, h;
    Uint16 pitch;
    void *pixels;
};

struct SDL_VideoInfo {
    Uint32 hw_available : 1;  // surfaces in video memory: never, here
    Uint32 wm_available : 1;  // a window manager to talk to
    Uint32 UnusedBits1 : 6;
    Uint32 UnusedBits2 : 1;
    Uint32 blit_hw : 1;       // accelerated blits: never, here
    Uint32 blit_hw_CC : 1;
    Uint32 blit_hw_A : 1;
    Uint32 blit_sw : 1;
    Uint32 blit_sw_CC : 1;
    Uint32 blit_sw_A : 1;
    Uint32 blit_fill : 1;
    Uint32 UnusedBits3 : 16;
    Uint32 video_mem;
    SDL_PixelFormat *vfmt;    // the desktop's pixel format
    // The desktop's size; after SDL12_CoverEveryDisplay(1) that of the
    // display with the largest 4:3 picture: the area a full-screen picture
    // fills at most.
    int current_w;
    int current_h;
};

struct SDL_keysym {
    Uint8 scancode;
    SDLKey sym;
    SDLMod mod;
    Uint16 unicode;
};

struct SDL_ActiveEvent {
    Uint8 type;
    Uint8 gain;   // 1 gained, 0 lost
    Uint8 state;  // which focus: SDL_APPMOUSEFOCUS, SDL_APPINPUTFOCUS, SDL_APPACTIVE
};

struct SDL_KeyboardEvent {
    Uint8 type;
    Uint8 which;
    Uint8 state;
    SDL_keysym keysym;
};

struct SDL_MouseMotionEvent {
    Uint8 type;
    Uint8 which;
    Uint8 state;  // buttons held
    Uint16 x, y;  // in the picture, 0..width-1 and 0..height-1
    Sint16 xrel, yrel;
};

struct SDL_MouseButtonEvent {
    Uint8 type;
    Uint8 which;
    Uint8 button;  // 1 left, 2 middle, 3 right, 6 and 7 the side buttons
    Uint8 state;
    Uint16 x, y;
};

union SDL_Event {
    Uint8 type;
    SDL_ActiveEvent active;
    SDL_KeyboardEvent key;
    SDL_MouseMotionEvent motion;
    SDL_MouseButtonEvent button;
};

// ---- functions ----

int SDL_Init(Uint32 flags);           // 0, or -1 with the reason in SDL_GetError
void SDL_Quit(void);                  // closes the window, shuts SDL 2 down
const char *SDL_GetError(void);
void SDL_SetError(const char *format, ...);
// The current video driver's name into buffer; NULL before SDL_Init.
char *SDL_VideoDriverName(char *buffer, int size);
const SDL_VideoInfo *SDL_GetVideoInfo(void);  // NULL before SDL_Init
int SDL_GL_SetAttribute(SDL_GLattr attribute, int value);
// OpenGL modes only. Full screen: the desktop, with the width x height
// picture scaled to its height (or width) and centred, black bars around.
SDL_Surface *SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags);
int SDL_EnableKeyRepeat(int delay, int interval);  // 0 turns repeat off
int SDL_ShowCursor(int toggle);
int SDL_PollEvent(SDL_Event *event);  // 1 and the next event, or 0
void SDL_Delay(Uint32 ms);
void SDL_GL_SwapBuffers(void);

// The layer's own, not SDL 1.2's: after SDL12_CoverEveryDisplay(1), a
// full-screen mode covers every display with a window of its own, each
// showing the one picture letterboxed to its shape (or black where it cannot
// show it). For a screensaver; a program keeps its one window on the primary.
// A mode the size of the largest display's picture (SDL_GetVideoInfo) is
// sharp there and scaled down on the others.
void SDL12_CoverEveryDisplay(int on);

} // namespace sdl12

#ifndef SDL12_LAYER
using namespace sdl12;
#endif
