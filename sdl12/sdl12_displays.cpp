// sdl12_displays.cpp -- the layer's one extension to SDL 1.2: a full-screen
// mode on every display, for a screensaver, whose first duty is to cover the
// whole desktop. The mode's own window lies on the primary display; each
// other display, one added later too, gets a window of its own. The program still draws each frame
// once, into the framebuffer object; every swap then blits that picture into
// every window through the one OpenGL context, which is made current on each
// window in turn (they share its pixel format). A display whose window the
// context cannot draw into, and every other display when there is no
// framebuffer object to copy from, is covered in black instead.
#include "sdl12_local.h"

// ---- constants ----

static const int MAX_DISPLAYS = 16;  // more monitors than anyone has

// ---- types ----

struct OtherDisplay {
    SDL_Window *window;  // covers the display
    bool black;          // not drawn into with OpenGL: painted black
};

// ---- globals ----

bool sdl12EveryDisplay = false;
static OtherDisplay others[MAX_DISPLAYS];
static int otherCount = 0;
static SDL_GLContext sharedContext = nullptr;  // the one context, for displays added later
static bool copyable = false;                   // ... and whether it has a picture to copy

// ---- functions ----

// A window covering the display: full screen, at the display's own pixels
// (on a scaled output too), and, where no window manager makes it so,
// placed and sized as the display.
SDL_Window *sdl12DisplayWindow(int display, Uint32 flags)
{
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(display, &bounds) != 0)
        return nullptr;
    SDL_Window *window =
        SDL_CreateWindow("", bounds.x, bounds.y, bounds.w, bounds.h,
                         flags | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS |
                             SDL_WINDOW_ALLOW_HIGHDPI);
    sdl12WatchWindow(window);
    return window;
}

static void destroy(SDL_Window *window)
{
    sdl12ForgetWindow(window);
    SDL_DestroyWindow(window);
}

static void paintBlack(SDL_Window *window)
{
    SDL_Surface *surface = SDL_GetWindowSurface(window);
    if (!surface)
        return;
    sdl12AskFrame(window);
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    SDL_UpdateWindowSurface(window);
}

// A window that only covers: no OpenGL, so nothing can stop it being black.
static void makeBlack(OtherDisplay *other, int display)
{
    if (other->window)
        destroy(other->window);
    other->window = sdl12DisplayWindow(display, 0);
    other->black = true;
    if (other->window)
        paintBlack(other->window);
}

static void openOn(int display)
{
    if (otherCount >= MAX_DISPLAYS)
        return;
    OtherDisplay *other = &others[otherCount++];
    *other = OtherDisplay{nullptr, false};
    if (copyable)
        other->window = sdl12DisplayWindow(display, SDL_WINDOW_OPENGL);
    if (!other->window || SDL_GL_MakeCurrent(other->window, sharedContext) != 0)
        makeBlack(other, display);
}

void sdl12OpenOtherDisplays(SDL_GLContext context, bool canCopy)
{
    // Focus moving between the windows must not minimise any of them.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    sharedContext = context;
    copyable = canCopy;
    int displays = SDL_GetNumVideoDisplays();
    for (int d = 1; d < displays; d++)
        openOn(d);
    SDL_GL_MakeCurrent(sdl12Window, context);
}

// A display that comes back finds its window where it left it, as the
// compositor keeps it; only a display beyond the windows gets a new one.
void sdl12DisplayAdded(int display)
{
    if (!sharedContext || !sdl12Window)
        return;
    int windows = 1;
    for (int i = 0; i < otherCount; i++)
        windows += others[i].window != nullptr;
    if (windows >= SDL_GetNumVideoDisplays())
        return;
    openOn(display);
    SDL_GL_MakeCurrent(sdl12Window, sharedContext);
}

void sdl12ShowOnOtherDisplays(SDL_GLContext context, void (*show)(SDL_Window *window))
{
    if (otherCount == 0)
        return;
    for (int i = 0; i < otherCount; i++) {
        OtherDisplay *other = &others[i];
        if (!other->window)
            continue;
        if (other->black) {
            paintBlack(other->window);  // the surface may be lost when covered
            continue;
        }
        if (!show)
            continue;
        if (SDL_GL_MakeCurrent(other->window, context) != 0) {
            int display = SDL_GetWindowDisplayIndex(other->window);
            makeBlack(other, display < 0 ? i + 1 : display);
            continue;
        }
        show(other->window);
    }
    SDL_GL_MakeCurrent(sdl12Window, context);
}

// The display's own pixels. SDL's Wayland back end gives a scaled output's
// desktop in its logical size, and the output's own mode first in its list.
static bool devicePixels(int display, SDL_DisplayMode *mode)
{
    if (SDL_GetDesktopDisplayMode(display, mode) != 0)
        return false;
    const char *driver = SDL_GetCurrentVideoDriver();
    SDL_DisplayMode own;
    if (driver && SDL_strcmp(driver, "wayland") == 0 && SDL_GetDisplayMode(display, 0, &own) == 0 &&
        own.w > mode->w && own.h > mode->h)
        *mode = own;
    return true;
}

bool sdl12LargestDisplay(int *w, int *h)
{
    int best = -1;
    for (int d = 0; d < SDL_GetNumVideoDisplays(); d++) {
        SDL_DisplayMode mode;
        if (!devicePixels(d, &mode))
            continue;
        int units = mode.w / 4 < mode.h / 3 ? mode.w / 4 : mode.h / 3;  // whole 4:3 steps
        if (units > best) {
            best = units;
            *w = mode.w;
            *h = mode.h;
        }
    }
    return best >= 0;
}

void sdl12CloseOtherDisplays(void)
{
    for (int i = 0; i < otherCount; i++)
        if (others[i].window)
            destroy(others[i].window);
    otherCount = 0;
    sharedContext = nullptr;
}

namespace sdl12 {

void SDL12_CoverEveryDisplay(int on)
{
    sdl12EveryDisplay = on != 0;
}

} // namespace sdl12
