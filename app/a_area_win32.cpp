// a_area_win32.cpp -- Windows: the size of the window lent in SDL_WINDOWID
// (the screensaver preview), so that the picture is drawn at the pixels it
// will fill.
#include <windows.h>

#include <cstdlib>

#include "a_frames.h"

// ---- functions ----

bool lentWindowSize(int &w, int &h)
{
    const char *text = std::getenv("SDL_WINDOWID");
    if (!text || !*text)
        return false;
    char *end;
    const unsigned long long id = std::strtoull(text, &end, 0);
    const HWND window = (HWND)(UINT_PTR)id;
    RECT area;
    if (*end || id == 0 || !IsWindow(window) || !GetClientRect(window, &area))
        return false;
    w = (int)(area.right - area.left);
    h = (int)(area.bottom - area.top);
    return true;
}
