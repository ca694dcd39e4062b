// wallpaper_args.h -- the command line of boxcity-wallpaper: the display
// settings the other front ends take, and how the picture meets each output.
#pragma once

#include <string>

// ---- constants ----

extern const char WALLPAPER_HELP[];

// ---- types ----

struct WallpaperOptions {
    bool help = false;
    bool version = false;
    std::string resolution;            // --resolution as given; empty: the environment's
    std::string maxFps;                // --max-fps as given; empty: the environment's
    bool showFps = false;              // --fps: the frame rate over the picture
    bool letterbox = false;            // the whole picture, bars around it, not cropped
    bool root = false;                 // X11: draw on the root window itself
};

// ---- functions ----

// "" with the options filled, or the problem in one line (exit status 2).
std::string parseWallpaperArgs(int argc, char **argv, WallpaperOptions &opts);
