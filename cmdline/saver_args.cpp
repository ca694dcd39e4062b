// saver_args.cpp -- boxcity-saver's command line. An idle daemon runs the
// bare name; a person adds the display settings (the hack's, by the same
// names), or --idle to have it wait for idle itself, or --autostart to have
// the desktop start that wait at every login.
#include <getopt.h>

#include "cmdline.h"
#include "saver_args.h"
#include "settings.h"

// ---- constants ----

#define SAVER_USAGE_TEXT                                                                    \
    "usage: boxcity-saver [--idle DURATION | --autostart DURATION | --no-autostart]"       \
    " [--resolution native|WxH] [--max-fps N] [--fps] [--help] [--version]"

const char SAVER_USAGE[] = SAVER_USAGE_TEXT;

const char SAVER_HELP[] =
    SAVER_USAGE_TEXT "\n"
    "\n"
    "Shows the city full screen on every output until a key, a button, a touch or\n"
    "the pointer moves; for idle daemons (swayidle, xss-lock, xautolock) to run.\n"
    "It never keeps the session from going idle. SIGTERM and SIGHUP end it; a\n"
    "second copy for the same display ends at once.\n"
    "\n"
    "  --idle DURATION       stay running: show the city each time the session has\n"
    "                        been idle that long (90s, 5m, 1h; at most a day), from\n"
    "                        GNOME's idle monitor, the Wayland idle protocols or the\n"
    "                        X server's idle time\n"
    "  --autostart DURATION  start --idle DURATION (with the settings given) at every\n"
    "                        login: writes ~/.config/autostart/boxcity-saver.desktop\n"
    "  --no-autostart        remove that entry\n"
    "  --resolution R        native (the display's pixels, the default; at most\n"
    "                        1024x768 on a software renderer) or at most WxH pixels\n"
    "  --max-fps N           frames a second, 1..1000 or 0 for no limit (default 60)\n"
    "  --fps                 the frame rate over the picture\n"
    "  --help                print this text\n"
    "  --version             print the version and the licence\n"
    "\n"
    "BOXCITY_RESOLUTION and BOXCITY_MAX_FPS set the same, below the options.\n"
    "Exit status: 0 ended by the user or a signal, or another copy runs;\n"
    "1 failure at start-up (no display, no idle source); 2 bad command line.\n";

enum {
    OPT_HELP = 1, OPT_VERSION, OPT_IDLE, OPT_AUTOSTART, OPT_NO_AUTOSTART, OPT_RESOLUTION,
    OPT_MAX_FPS, OPT_FPS
};

static const struct option LONG_OPTIONS[] = {
    {"help", no_argument, nullptr, OPT_HELP},
    {"version", no_argument, nullptr, OPT_VERSION},
    {"idle", required_argument, nullptr, OPT_IDLE},
    {"autostart", required_argument, nullptr, OPT_AUTOSTART},
    {"no-autostart", no_argument, nullptr, OPT_NO_AUTOSTART},
    {"resolution", required_argument, nullptr, OPT_RESOLUTION},
    {"max-fps", required_argument, nullptr, OPT_MAX_FPS},
    {"fps", no_argument, nullptr, OPT_FPS},
    {nullptr, 0, nullptr, 0},
};

// ---- functions ----

std::string parseDuration(const char *name, const char *text, long &seconds)
{
    const std::string bad = std::string(name) + ": '" + shownText(text ? text : "") + "' ";
    std::string digits = text ? text : "";
    long unit = 1;
    if (!digits.empty()) {
        const char last = digits.back();
        unit = last == 's' ? 1 : last == 'm' ? 60 : last == 'h' ? 3600 : 0;
        if (unit != 0)
            digits.pop_back();
        else if (last >= '0' && last <= '9')
            unit = 1;
    }
    long n = 0;
    if (unit == 0 || !settingNumber(digits.c_str(), 999999999, n))
        return bad + "is not a duration (such as 90s, 5m or 1h)";
    if (n == 0 || n * unit > SAVER_IDLE_LIMIT)
        return bad + "is not from 1 second to a day";
    seconds = n * unit;
    return "";
}

std::string parseSaverArgs(int argc, char **argv, SaverOptions &opts)
{
    opterr = 0;   // the problems are worded here, in one line
    optind = 0;   // a fresh scan on every call
    int modes = 0;
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
        case OPT_IDLE:
        case OPT_AUTOSTART:
            problem = parseDuration(c == OPT_IDLE ? "--idle" : "--autostart", optarg, opts.idle);
            opts.idleText = optarg;
            opts.autostart = c == OPT_AUTOSTART;
            modes++;
            break;
        case OPT_NO_AUTOSTART:
            opts.noAutostart = true;
            modes++;
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
    if (modes > 1)
        return "--idle, --autostart and --no-autostart: one at most";
    return "";
}
