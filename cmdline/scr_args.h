// scr_args.h -- the command line of boxcity.scr, the Windows screensaver:
// what Windows passes a screensaver (run it, preview it in a window, show its
// settings) and the window handles it names. Plain code, read the same on
// every system.
#pragma once

#include <cstdint>
#include <string>

// ---- constants ----

extern const char SCR_USAGE[];         // one line, no newline

// ---- types ----

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

// The outcome of parsing: status 0 with the options filled, or status 2 and
// one line naming the problem.
struct ScrParse {
    int status = 0;
    std::string problem;
};

// ---- functions ----

ScrParse parseScrArgs(int argc, char **argv, ScrOptions &opts);
// A window handle as Windows writes it: decimal, or 0x hexadecimal, not 0.
bool parseScrWindow(const char *text, uint64_t &window);
