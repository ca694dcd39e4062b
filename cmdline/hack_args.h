// hack_args.h -- the command line of the screensaver hack: the options a
// screensaver daemon and its settings preview pass, and where to draw.
#pragma once

#include <string>

// ---- constants ----

extern const char HACK_USAGE[];        // one line, no newline

// ---- types ----

// Where the hack has boxcity draw.
enum class HackTarget {
    OwnWindow,                         // boxcity's own full-screen window
    Foreign,                           // a window that another client owns
};

struct HackOptions {
    HackTarget target = HackTarget::OwnWindow;
    unsigned long window = 0;          // the foreign window's id
    std::string resolution;            // --resolution as given; empty: the default
    std::string maxFps;                // --max-fps as given; empty: the default
    bool showFps = false;              // -fps: the frame rate over the picture
    bool help = false;
};

// The outcome of parsing: status 0 with the options filled, or the exit
// status (2 bad command line, 1 nothing to draw on) and one line saying why.
struct HackParse {
    int status = 0;
    std::string problem;
};

// ---- functions ----

// Parses argv; rootWindow is $XSCREENSAVER_WINDOW (null when unset), the
// window that --root names.
HackParse parseHackArgs(int argc, char **argv, const char *rootWindow, HackOptions &opts);
// An X window id, decimal or 0x hexadecimal, 1..0xffffffff; false otherwise.
bool parseWindowId(const char *text, unsigned long &id);
