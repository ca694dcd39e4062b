// wallpaper_args.cpp -- boxcity-wallpaper's command line: the display
// settings by the names the other front ends use, and --letterbox.
#include <getopt.h>

#include "cmdline.h"
#include "settings.h"
#include "wallpaper_args.h"

// ---- constants ----

const char WALLPAPER_HELP[] =
    "usage: boxcity-wallpaper [--resolution native|WxH] [--max-fps N] [--fps] [--letterbox]"
    " [--root] [--help] [--version]\n"
    "\n"
    "Shows the city beneath the windows on every output of a Wayland desktop that\n"
    "offers the layer shell (sway, labwc, Hyprland, river, KDE Plasma), or of an X11\n"
    "desktop, filling each output at its own pixels. It takes no input, and draws\n"
    "nothing while no output shows it (full-screen windows over it).\n"
    "\n"
    "  --resolution R   native (the outputs' pixels, the default; at most 1024x768\n"
    "                   on a software renderer) or at most WxH pixels\n"
    "  --max-fps N      frames a second, 1..1000 or 0 for no limit (default 30)\n"
    "  --fps            the frame rate over the picture\n"
    "  --letterbox      the whole picture with bars, rather than cropped to fill\n"
    "  --root           X11: draw on the root window, not on desktop windows\n"
    "  --help           print this text\n"
    "  --version        print the version and the licence\n"
    "\n"
    "BOXCITY_RESOLUTION and BOXCITY_MAX_FPS set the same, below the options.\n"
    "WAYLAND_DISPLAY is used where set (and --root is not given), else DISPLAY.\n"
    "Exit status: 1 failure (no display, no layer shell, the display gone);\n"
    "2 bad command line. Otherwise it runs until a signal ends it.\n";

enum { OPT_HELP = 1, OPT_VERSION, OPT_RESOLUTION, OPT_MAX_FPS, OPT_FPS, OPT_LETTERBOX, OPT_ROOT };

static const struct option LONG_OPTIONS[] = {
    {"help", no_argument, nullptr, OPT_HELP},
    {"version", no_argument, nullptr, OPT_VERSION},
    {"resolution", required_argument, nullptr, OPT_RESOLUTION},
    {"max-fps", required_argument, nullptr, OPT_MAX_FPS},
    {"fps", no_argument, nullptr, OPT_FPS},
    {"letterbox", no_argument, nullptr, OPT_LETTERBOX},
    {"root", no_argument, nullptr, OPT_ROOT},
    {nullptr, 0, nullptr, 0},
};

// ---- functions ----

std::string parseWallpaperArgs(int argc, char **argv, WallpaperOptions &opts)
{
    opterr = 0;   // the problems are worded here, in one line
    optind = 0;   // a fresh scan on every call
    for (;;) {
        // The argument being read: getopt may stay on one it refuses.
        const int at = optind > 0 ? optind : 1;
        const int c = getopt_long(argc, argv, "+:", LONG_OPTIONS, nullptr);
        if (c == -1)
            break;
        std::string problem;
        switch (c) {
        case OPT_HELP:
            opts.help = true;
            break;
        case OPT_VERSION:
            opts.version = true;
            break;
        case OPT_RESOLUTION: {
            Resolution resolution;
            problem = parseResolution("--resolution", optarg, resolution);
            opts.resolution = optarg;
            break;
        }
        case OPT_MAX_FPS: {
            int fps = 0;
            problem = parseMaxFps("--max-fps", optarg, fps);
            opts.maxFps = optarg;
            break;
        }
        case OPT_FPS:
            opts.showFps = true;
            break;
        case OPT_LETTERBOX:
            opts.letterbox = true;
            break;
        case OPT_ROOT:
            opts.root = true;
            break;
        case ':':
            return "option '" + shownText(argv[at]) + "' needs a value";
        default:
            return "unknown option '" + shownText(argv[at]) + "'";
        }
        if (!problem.empty())
            return problem;
    }
    if (optind < argc)
        return "unexpected argument '" + shownText(argv[optind]) + "'";
    return "";
}
