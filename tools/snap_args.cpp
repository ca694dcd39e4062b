// snap_args.cpp -- option parsing for boxcity-snap. Numbers are digits only:
// no sign, no spaces, no base prefixes, nothing strtoul would quietly accept.
#include <cstring>

#include "snap_args.h"

const char SNAP_USAGE[] =
    "usage: boxcity-snap [--seed N] [--frames N] [--png FILE] [--state FILE] [--info] [--help]";

const char SNAP_HELP[] =
    "usage: boxcity-snap [--seed N] [--frames N] [--png FILE] [--state FILE] [--info] [--help]\n"
    "\n"
    "Generates the city, runs the animation for a number of steps without a display\n"
    "and writes what it looks like then.\n"
    "\n"
    "  --seed N      seed the generator with N (0..4294967295); default: the clock,\n"
    "                printed on stderr so that the run can be repeated\n"
    "  --frames N    animation steps after generation (0..18446744073709551615);\n"
    "                0 is the generated world, 1 (default) the first picture shown\n"
    "  --png FILE    draw that frame at 1024x768 offscreen and write it as a PNG\n"
    "  --state FILE  write the world-state image (6177044 bytes)\n"
    "  --info        print the seed, frame, camera, cars per direction and draws\n"
    "                (the default when neither --png nor --state is given)\n"
    "  --help        print this text\n"
    "\n"
    "Exit status: 0 done, 1 failure at run time, 2 bad command line.\n";

// Parses text as a decimal number no larger than max.
static std::string parseNumber(const char *option, const char *text, uint64_t max,
                               uint64_t &value)
{
    const std::string quoted = std::string(option) + ": '" + text + "' ";
    if (text[0] == '-' && text[1] >= '0' && text[1] <= '9')
        return quoted + "is negative";
    if (text[0] == '\0')
        return std::string(option) + " needs a value";
    uint64_t v = 0;
    for (const char *p = text; *p; p++) {
        if (*p < '0' || *p > '9')
            return quoted + "is not a number";
        const uint64_t digit = (uint64_t)(*p - '0');
        if (v > (max - digit) / 10)
            return quoted + "is too large (at most " + std::to_string(max) + ")";
        v = v * 10 + digit;
    }
    value = v;
    return "";
}

std::string parseSnapArgs(int argc, char **argv, SnapOptions &opts)
{
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        const bool takesValue = !std::strcmp(arg, "--seed") || !std::strcmp(arg, "--frames") ||
                                !std::strcmp(arg, "--png") || !std::strcmp(arg, "--state");
        if (!std::strcmp(arg, "--help")) {
            opts.help = true;
            continue;
        }
        if (!std::strcmp(arg, "--info")) {
            opts.info = true;
            continue;
        }
        if (!takesValue)
            return std::string("unknown option '") + arg + "'";
        if (i + 1 >= argc)
            return std::string(arg) + " needs a value";
        const char *value = argv[++i];
        std::string problem;
        uint64_t n = 0;
        if (!std::strcmp(arg, "--seed")) {
            problem = parseNumber(arg, value, UINT32_MAX, n);
            opts.seed = (uint32_t)n;
            opts.seedGiven = true;
        } else if (!std::strcmp(arg, "--frames")) {
            problem = parseNumber(arg, value, UINT64_MAX, n);
            opts.frames = n;
        } else if (value[0] == '\0') {
            problem = std::string(arg) + " needs a value";
        } else if (!std::strcmp(arg, "--png")) {
            opts.png = value;
        } else {
            opts.state = value;
        }
        if (!problem.empty())
            return problem;
    }
    return "";
}
