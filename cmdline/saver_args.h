// saver_args.h -- the command line of boxcity-saver: the display settings
// the hack takes, and either the city now (an idle daemon's bare command),
// a watch that shows it whenever the session has been idle a while, or the
// login entry that starts that watch.
#pragma once

#include <string>

// ---- constants ----

extern const char SAVER_USAGE[];       // one line, no newline
extern const char SAVER_HELP[];
static const long SAVER_IDLE_LIMIT = 24L * 60 * 60;   // the longest wait, in seconds

// ---- types ----

struct SaverOptions {
    bool help = false;
    bool version = false;
    long idle = 0;                     // --idle in seconds; 0: show the city now
    std::string idleText;              // --idle or --autostart as given
    bool autostart = false;            // write the login entry for --idle idleText
    bool noAutostart = false;          // remove it
    std::string resolution;            // --resolution as given; empty: the environment's
    std::string maxFps;                // --max-fps as given; empty: the environment's
    bool showFps = false;              // --fps: the frame rate over the picture
};

// ---- functions ----

// "" with the options filled, or the problem in one line (exit status 2).
std::string parseSaverArgs(int argc, char **argv, SaverOptions &opts);
// A wait such as 90s, 5m, 1h or 300 (seconds): "" with seconds set, 1 s up
// to a day; else the problem in one line naming name.
std::string parseDuration(const char *name, const char *text, long &seconds);
