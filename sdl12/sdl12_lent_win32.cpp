// sdl12_lent_win32.cpp -- the SDL 1.2 layer's Windows half: a window lent
// through SDL_WINDOWID (the screensaver preview's) checked before SDL gets it
// and before every buffer swap, and the window-manager record. A handle's
// window cannot be held, so the check is all there is.
#include <windows.h>

#include "sdl12_local.h"

#include <SDL2/SDL_syswm.h>

// ---- globals ----

static bool lentKnown = false;     // the lent window's handle, looked up once
static HWND lentHandle = nullptr;

// ---- functions ----

bool sdl12LentWindowUsable(uintptr_t id)
{
    if (!IsWindow((HWND)id)) {
        ::SDL_SetError("no such window");
        return false;
    }
    return true;
}

void sdl12KnowLentWindow(void)
{
    ::SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    lentKnown = SDL_GetWindowWMInfo(sdl12Window, &wm) != 0;
    if (lentKnown)
        lentHandle = wm.info.win.window;
}

void sdl12ForgetLentWindow(void)
{
    lentKnown = false;
}

bool sdl12HoldLentWindow(void)
{
    return !lentKnown || IsWindow(lentHandle) != 0;
}

void sdl12LetGoLentWindow(void)
{
}

int sdl12FillWMInfo(const ::SDL_SysWMinfo &wm, sdl12::SDL_SysWMinfo *info, SDL_GLContext context)
{
    info->window = wm.info.win.window;
    info->hglrc = (HGLRC)context;
    return 1;
}

bool sdl12MayStartWithoutDesktop(void)
{
    return true;
}
