// web_address.cpp -- the page's address through boxcity-snap's own parser and
// the shared display settings, so that a seed, step, resolution or frame
// limit means the same on the page as on a command line.
#include "web_address.h"

// A decoded value may hold a NUL (%00), which would end it early as a C
// string: "4%002" would be taken as 4. It is written as boxcity-snap shows a
// control character, which is no digit, so the value is refused whole.
static std::string withoutNul(const std::string &value)
{
    std::string out;
    for (const char c : value)
        out += c == '\0' ? std::string("\\x00") : std::string(1, c);
    return out;
}

std::string parseAddress(const AddressValues &in, SnapOptions &opts, PageSettings &page)
{
    std::string values[2];
    const char *argv[5] = {"boxcity"};
    int argc = 1;
    if (in.seed) {
        values[0] = withoutNul(*in.seed);
        argv[argc++] = "--seed";
        argv[argc++] = values[0].c_str();
    }
    if (in.frames) {
        values[1] = withoutNul(*in.frames);
        argv[argc++] = "--frames";
        argv[argc++] = values[1].c_str();
    }
    std::string problem = parseSnapArgs(argc, const_cast<char **>(argv), opts);
    if (problem.compare(0, 2, "--") == 0)
        problem.erase(0, 2);
    if (problem.empty() && in.resolution) {
        problem = parseResolution("resolution", withoutNul(*in.resolution).c_str(), page.resolution);
        page.resolutionGiven = problem.empty();
    }
    if (problem.empty() && in.fps)
        problem = parseMaxFps("fps", withoutNul(*in.fps).c_str(), page.maxFps);
    return problem;
}
