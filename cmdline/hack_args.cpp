// hack_args.cpp -- option parsing for the screensaver hack. Daemons pass
// single-dash long options (-root, -window-id 0x1a00003), people type
// double-dash ones; getopt_long_only takes both. Options that other hacks
// accept but that mean nothing here (-install, -visual NAME) are accepted
// and ignored, so that a daemon's usual command line never fails.
#include <getopt.h>

#include <cstring>

#include "hack_args.h"
#include "cmdline.h"
#include "settings.h"

// ---- constants ----

const char HACK_USAGE[] =
    "usage: boxcity [-root | -window | -window-id ID] [-resolution native|WxH] [-max-fps N]"
    " [-fps] [-install] [-visual NAME] [-help]";

enum {
    OPT_ROOT = 1, OPT_WINDOW, OPT_WINDOW_ID, OPT_RESOLUTION, OPT_MAX_FPS, OPT_FPS, OPT_IGNORED,
    OPT_HELP
};

static const struct option LONG_OPTIONS[] = {
    {"root", no_argument, nullptr, OPT_ROOT},
    {"window", no_argument, nullptr, OPT_WINDOW},
    {"window-id", required_argument, nullptr, OPT_WINDOW_ID},
    {"resolution", required_argument, nullptr, OPT_RESOLUTION},
    {"max-fps", required_argument, nullptr, OPT_MAX_FPS},
    {"fps", no_argument, nullptr, OPT_FPS},
    {"install", no_argument, nullptr, OPT_IGNORED},
    {"visual", required_argument, nullptr, OPT_IGNORED},
    {"help", no_argument, nullptr, OPT_HELP},
    {nullptr, 0, nullptr, 0},
};

// ---- functions ----

bool parseWindowId(const char *text, unsigned long &id)
{
    uint64_t v = 0;
    if (!windowNumber(text, 0xffffffff, v))   // X ids are 32-bit
        return false;
    id = (unsigned long)v;
    return true;
}

HackParse parseHackArgs(int argc, char **argv, const char *rootWindow, HackOptions &opts)
{
    HackParse result;
    auto bad = [&result](int status, const std::string &problem) {
        result.status = status;
        result.problem = problem;
        return result;
    };
    bool root = false;
    opterr = 0;                          // one line of our own, not getopt's
    optind = 0;                          // a fresh scan on every call
    // '+': stop at the first operand; ':': report a missing value as ':'.
    for (;;) {
        // The argument being read. An error names it, not argv[optind - 1]:
        // getopt does not move past "-:x" when it refuses the ':' in it.
        const int at = optind > 0 ? optind : 1;
        const int c = getopt_long_only(argc, argv, "+:", LONG_OPTIONS, nullptr);
        if (c == -1)
            break;
        switch (c) {
        case OPT_ROOT:
            root = true;
            break;
        case OPT_WINDOW:
            root = false;
            opts.target = HackTarget::OwnWindow;
            break;
        case OPT_WINDOW_ID:
            if (!parseWindowId(optarg, opts.window))
                return bad(2, "'" + shownText(optarg) +
                                  "' is not a window id (decimal or 0x hexadecimal)");
            root = false;
            opts.target = HackTarget::Foreign;
            break;
        case OPT_RESOLUTION: {
            Resolution resolution;
            const std::string problem = parseResolution("--resolution", optarg, resolution);
            if (!problem.empty())
                return bad(2, problem);
            opts.resolution = optarg;
            break;
        }
        case OPT_MAX_FPS: {
            int fps = 0;
            const std::string problem = parseMaxFps("--max-fps", optarg, fps);
            if (!problem.empty())
                return bad(2, problem);
            opts.maxFps = optarg;
            break;
        }
        case OPT_FPS:
            opts.showFps = true;
            break;
        case OPT_IGNORED:
            break;
        case OPT_HELP:
            opts.help = true;
            break;
        case ':':
            return bad(2, "option '" + shownText(argv[at]) + "' needs a value");
        default:
            return bad(2, "unknown option '" + shownText(argv[at]) + "'");
        }
    }
    if (optind < argc)
        return bad(2, "unexpected argument '" + shownText(argv[optind]) + "'");
    if (root) {
        // The daemon names the window it wants drawn on in the environment.
        if (!rootWindow || !*rootWindow)
            return bad(1, "-root needs XSCREENSAVER_WINDOW naming the window to draw on");
        if (!parseWindowId(rootWindow, opts.window))
            return bad(1, "XSCREENSAVER_WINDOW='" + shownText(rootWindow) +
                              "' is not a window id");
        opts.target = HackTarget::Foreign;
    }
    return result;
}
