// snap_args.h -- the command line of boxcity-snap: its options and a strict
// parser that turns bad input into one line naming the problem. The page's
// address is read through it too (web_address.h).
#pragma once

#include <cstdint>
#include <string>

// ---- constants ----

extern const char SNAP_USAGE[];        // one line, no newline
extern const char SNAP_HELP[];         // the full --help text

// ---- types ----

struct SnapOptions {
    bool help = false;
    bool version = false;
    bool seedGiven = false;
    uint32_t seed = 0;
    uint64_t frames = 1;               // the first picture the program shows
    std::string png;                   // empty: no picture
    std::string state;                 // empty: no state image
    bool info = false;
    std::string video;                 // empty: no video
    uint64_t length = 600;             // video frames: steps frames .. frames+length-1
    int fps = 60;                      // video playback rate
    int width = 0, height = 0;         // --png and --video size; 0: 1024x768
};

// ---- functions ----

// Fills opts from argv; returns an empty string, or the problem in one line.
std::string parseSnapArgs(int argc, char **argv, SnapOptions &opts);
