// win_scr.h -- boxcity.scr, the Windows screensaver: its command line (what
// Windows passes a screensaver: run it, preview it in a window, show its
// settings) and the input that ends it.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

// What Windows asks the screensaver to do.
enum class ScrMode {
    Configure,                         // the settings dialog (/c, or no option)
    Saver,                             // the full-screen animation (/s)
    Preview,                           // the animation inside a window (/p)
};

struct ScrOptions {
    ScrMode mode = ScrMode::Configure;
    uint64_t window = 0;               // /p's window, /c's dialog owner (0: none)
};

extern const char SCR_USAGE[];         // one line, no newline

// The outcome of parsing: status 0 with the options filled, or status 2 and
// one line naming the problem.
struct ScrParse {
    int status = 0;
    std::string problem;
};

ScrParse parseScrArgs(int argc, char **argv, ScrOptions &opts);
// A window handle as Windows writes it: decimal, or 0x hexadecimal, not 0.
bool parseScrWindow(const char *text, uint64_t &window);

// The frame loop's event rules (see eventHandler in app.h), 1 to stop.
// Running: saverEvent (app.h). Previewing: only a quit request; the window
// going away ends it too.
int scrPreviewEvent(SDL_Event *event);
