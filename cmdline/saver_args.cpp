// saver_args.cpp -- boxcity-saver's command line: nothing to set, only help
// and version, since an idle daemon's command line should be the bare name.
#include <getopt.h>

#include "cmdline.h"
#include "saver_args.h"

// ---- constants ----

const char SAVER_USAGE[] = "usage: boxcity-saver [--help] [--version]";

const char SAVER_HELP[] =
    "usage: boxcity-saver [--help] [--version]\n"
    "\n"
    "Shows the city full screen on every output until a key, a button, a touch or\n"
    "the pointer moves; for idle daemons (swayidle, xss-lock, xautolock) to run.\n"
    "It never keeps the session from going idle. SIGTERM and SIGHUP end it; a\n"
    "second copy for the same display ends at once.\n"
    "\n"
    "  --help        print this text\n"
    "  --version     print the version and the licence\n"
    "\n"
    "Exit status: 0 ended by the user or a signal, or another copy runs;\n"
    "1 failure at start-up; 2 bad command line.\n";

enum { OPT_HELP = 1, OPT_VERSION };

static const struct option LONG_OPTIONS[] = {
    {"help", no_argument, nullptr, OPT_HELP},
    {"version", no_argument, nullptr, OPT_VERSION},
    {nullptr, 0, nullptr, 0},
};

// ---- functions ----

std::string parseSaverArgs(int argc, char **argv, SaverOptions &opts)
{
    opterr = 0;   // the problems are worded here, in one line
    optind = 1;
    for (;;) {
        const int c = getopt_long(argc, argv, "+:", LONG_OPTIONS, nullptr);
        if (c == -1)
            break;
        if (c == OPT_HELP)
            opts.help = true;
        else if (c == OPT_VERSION)
            opts.version = true;
        else
            return "unknown option '" + shownText(argv[optind - 1]) + "'";
    }
    if (optind < argc)
        return "unexpected argument '" + shownText(argv[optind]) + "'";
    return "";
}
