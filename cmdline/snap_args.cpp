// snap_args.cpp -- option parsing for boxcity-snap. Numbers are digits only:
// no sign, no spaces, no base prefixes, nothing strtoul would quietly accept.
#include <cstdlib>
#include <cstring>

#include "snap_args.h"
#include "cmdline.h"

const char SNAP_USAGE[] =
    "usage: boxcity-snap [--seed N] [--frames N] [--png FILE] [--state FILE] [--info]"
    " [--video FILE [--length N] [--fps R]] [--size WxH] [--help] [--version]";

const char SNAP_HELP[] =
    "usage: boxcity-snap [--seed N] [--frames N] [--png FILE] [--state FILE] [--info]\n"
    "                    [--video FILE [--length N] [--fps R]] [--size WxH] [--help]\n"
    "                    [--version]\n"
    "\n"
    "Generates the city, runs the animation for a number of steps without a display\n"
    "and writes what it looks like then.\n"
    "\n"
    "  --seed N      seed the generator with N (0..4294967295); default: the clock,\n"
    "                printed on stderr so that the run can be repeated\n"
    "  --frames N    animation steps after generation (0..18446744073709551615);\n"
    "                0 is the generated world, 1 (default) the first picture shown\n"
    "  --png FILE    draw that frame offscreen (1024x768, or --size) and write it\n"
    "                as a PNG\n"
    "  --state FILE  write the world-state image (6177044 bytes)\n"
    "  --video FILE  film the animation from that frame on, one picture per step,\n"
    "                each drawn as --png draws it; .mp4 and .mkv (H.264), .webm\n"
    "                (VP9), .webp (animated image, for previews)\n"
    "  --length N    frames of video (1..1000000, default 600)\n"
    "  --fps R       frames per second of playback (1..1000, default 60)\n"
    "  --size WxH    draw --png and --video at W x H (even, 16..4096; default\n"
    "                1024x768); another shape than 4:3 gets black bars\n"
    "  --info        print the seed, frame, camera, cars per direction and draws\n"
    "                (the default when none of --png, --state, --video is given)\n"
    "  --help        print this text\n"
    "  --version     print the version and the licence\n"
    "\n"
    "Exit status: 0 done, 1 failure at run time, 2 bad command line.\n";

// Parses text as a decimal number no larger than max.
static std::string parseNumber(const char *option, const char *text, uint64_t max,
                               uint64_t &value)
{
    const std::string quoted = std::string(option) + ": '" + shownText(text) + "' ";
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

// A number from 1 to max.
static std::string parseCount(const char *option, const char *text, uint64_t max, uint64_t &value)
{
    const std::string problem = parseNumber(option, text, max, value);
    if (problem.empty() && value == 0)
        return std::string(option) + ": '0' must be at least 1";
    return problem;
}

// WxH, each even (the video's colour planes are half size) and 16..4096.
static std::string parseSize(const char *text, int &width, int &height)
{
    const std::string bad = std::string("--size: '") + shownText(text) + "' ";
    const char *x = std::strchr(text, 'x');
    if (text[0] == '\0')
        return "--size needs a value";
    if (!x || x == text || x[1] == '\0')
        return bad + "is not WxH";
    const std::string w(text, x);
    uint64_t n[2];
    const char *parts[2] = {w.c_str(), x + 1};
    for (int i = 0; i < 2; i++) {
        for (const char *p = parts[i]; *p; p++)
            if (*p < '0' || *p > '9' || p - parts[i] > 4)
                return bad + "is not WxH";
        n[i] = std::strtoull(parts[i], nullptr, 10);
        if (n[i] < 16 || n[i] > 4096 || n[i] % 2 != 0)
            return bad + "needs even sizes from 16 to 4096";
    }
    width = (int)n[0];
    height = (int)n[1];
    return "";
}

std::string parseSnapArgs(int argc, char **argv, SnapOptions &opts)
{
    const char *videoOnly = nullptr;   // the last option that needs --video
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        const bool takesValue = !std::strcmp(arg, "--seed") || !std::strcmp(arg, "--frames") ||
                                !std::strcmp(arg, "--png") || !std::strcmp(arg, "--state") ||
                                !std::strcmp(arg, "--video") || !std::strcmp(arg, "--length") ||
                                !std::strcmp(arg, "--fps") || !std::strcmp(arg, "--size");
        if (!std::strcmp(arg, "--help")) {
            opts.help = true;
            continue;
        }
        if (!std::strcmp(arg, "--version")) {
            opts.version = true;
            continue;
        }
        if (!std::strcmp(arg, "--info")) {
            opts.info = true;
            continue;
        }
        if (!takesValue)
            return "unknown option '" + shownText(arg) + "'";
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
        } else if (!std::strcmp(arg, "--length")) {
            problem = parseCount(arg, value, 1000000, n);
            opts.length = n;
            videoOnly = arg;
        } else if (!std::strcmp(arg, "--fps")) {
            problem = parseCount(arg, value, 1000, n);
            opts.fps = (int)n;
            videoOnly = arg;
        } else if (!std::strcmp(arg, "--size")) {
            problem = parseSize(value, opts.width, opts.height);
        } else if (value[0] == '\0') {
            problem = std::string(arg) + " needs a value";
        } else if (!std::strcmp(arg, "--png")) {
            opts.png = value;
        } else if (!std::strcmp(arg, "--video")) {
            opts.video = value;
        } else {
            opts.state = value;
        }
        if (!problem.empty())
            return problem;
    }
    if (videoOnly && opts.video.empty())
        return std::string(videoOnly) + " needs --video";
    if (opts.width && opts.png.empty() && opts.video.empty())
        return "--size needs --png or --video";
    return "";
}
