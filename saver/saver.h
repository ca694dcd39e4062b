// saver.h -- boxcity-saver, the screensaver for idle daemons (Wayland and
// X11): its command line and the lock that keeps it to one copy per user and
// display.
#pragma once

#include <string>

// ---- constants ----

extern const char SAVER_USAGE[];       // one line, no newline
extern const char SAVER_HELP[];

// ---- types ----

struct SaverOptions {
    bool help = false;
    bool version = false;
};

// ---- functions ----

// "" with the options filled, or the problem in one line (exit status 2).
std::string parseSaverArgs(int argc, char **argv, SaverOptions &opts);
// Takes the lock of this user's session display: true when it is ours now
// (or there is nowhere to keep one), false when another copy holds it.
bool takeSaverLock(void);
