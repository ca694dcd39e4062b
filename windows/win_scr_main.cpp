// win_scr_main.cpp -- boxcity.scr, the program Windows starts as the
// screensaver: with /s the city full screen on every monitor until the user
// comes back, with /p inside the settings dialog's little preview window
// until that goes away, with /c (or nothing) the settings dialog. Both
// animations are boxcity's own start-up and frame loop (runCity), with the
// stored settings; only the rules for ending differ. SDL 1.2's entry glue
// calls SDL_main, as for boxcity.exe.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app.h"
#include "win_scr.h"
#include "win_scr_config.h"

// ---- constants ----

static const char TITLE[] = "boxcity";
static const wchar_t PREVIEW_CLASS[] = L"boxcity-preview";

// ---- functions ----

// The child window the preview draws in, covering the dialog's window. The
// frame loop then draws into it as into a foreign window, which the layer
// under the SDL 1.2 calls takes from SDL_WINDOWID.
static HWND makePreviewWindow(HWND parent)
{
    WNDCLASSW windowClass = {};
    windowClass.style = CS_OWNDC;      // OpenGL keeps its device context
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = PREVIEW_CLASS;
    if (!RegisterClassW(&windowClass))
        return nullptr;
    RECT area;
    if (!GetClientRect(parent, &area))
        return nullptr;
    // Disabled: clicks and keys belong to the dialog around it.
    return CreateWindowExW(0, PREVIEW_CLASS, L"boxcity",
                           WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_CLIPSIBLINGS, 0, 0,
                           area.right - area.left, area.bottom - area.top, parent, nullptr,
                           windowClass.hInstance, nullptr);
}

static int preview(HWND parent)
{
    if (!IsWindow(parent)) {
        fprintf(stderr, "Preview failed: window %llu does not exist\n",
                (unsigned long long)(UINT_PTR)parent);
        return 1;
    }
    HWND child = makePreviewWindow(parent);
    if (!child) {
        fprintf(stderr, "Preview failed: no window inside %llu (error %lu)\n",
                (unsigned long long)(UINT_PTR)parent, GetLastError());
        return 1;
    }
    char id[32];
    snprintf(id, sizeof id, "%llu", (unsigned long long)(UINT_PTR)child);
    _putenv_s("SDL_WINDOWID", id);
    eventHandler = scrPreviewEvent;
    failureBox = 0;                    // a box would pop up over the settings dialog
    runCity();
}

// No console to print on: the box is what the user sees.
static int refuse(const std::string &text)
{
    fprintf(stderr, "%s\n", text.c_str());
    MessageBoxA(nullptr, text.c_str(), TITLE, MB_OK | MB_ICONERROR);
    return 2;
}

extern "C" int SDL_main(int argc, char *argv[])
{
    ScrOptions opts;
    ScrParse parse = parseScrArgs(argc, argv, opts);
    if (parse.status != 0)
        return refuse("boxcity.scr: " + parse.problem + "\n\n" + SCR_USAGE);
    HWND window = (HWND)(UINT_PTR)opts.window;
    if (opts.mode != ScrMode::Configure) {
        std::string problem = environmentSettingsProblem();
        if (!problem.empty())
            return refuse("boxcity.scr: " + problem);
        handOverSettings();
        useSaverDefaults();            // for what is not stored
        // SDL 2 would otherwise keep the display on while its windows are
        // open: a screensaver must let the power settings turn it off.
        _putenv_s("SDL_VIDEO_ALLOW_SCREENSAVER", "1");
    }
    switch (opts.mode) {
    case ScrMode::Saver:
        SDL12_CoverEveryDisplay(1);    // the whole desktop, not the primary display only
        eventHandler = saverEvent;
        runCity();
    case ScrMode::Preview:
        return preview(window);
    case ScrMode::Configure:
    default:
        // Without a handle, the dialog belongs to whatever is in front (the
        // settings dialog that started us).
        if (!window || !IsWindow(window))
            window = GetForegroundWindow();
        if (!showSettingsDialog(window)) {
            fprintf(stderr, "Settings failed: no dialog (error %lu)\n", GetLastError());
            return 1;
        }
        return 0;
    }
}
