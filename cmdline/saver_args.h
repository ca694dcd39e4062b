// saver_args.h -- the command line of boxcity-saver, the screensaver for idle
// daemons: only help and version, since a daemon runs it by its bare name.
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
