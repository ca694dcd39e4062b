// fuzz_snap_args.cpp -- boxcity-snap's command line: any argv is either
// taken, with every value in its documented range, or refused in one line;
// a parse is repeatable, and what it took reads back the same when written
// out as options again.
#include <cstring>

#include "fuzz_argv.h"
#include "snap_args.h"

static bool same(const SnapOptions &a, const SnapOptions &b)
{
    return a.help == b.help && a.seedGiven == b.seedGiven && a.seed == b.seed &&
           a.frames == b.frames && a.png == b.png && a.state == b.state && a.info == b.info &&
           a.video == b.video && a.length == b.length && a.fps == b.fps && a.width == b.width &&
           a.height == b.height;
}

// The options as one canonical command line.
static std::vector<std::string> written(const SnapOptions &o)
{
    std::vector<std::string> a = {"boxcity-snap"};
    auto add = [&a](const char *name, const std::string &value) {
        a.push_back(name);
        a.push_back(value);
    };
    if (o.help)
        a.push_back("--help");
    if (o.info)
        a.push_back("--info");
    if (o.seedGiven)
        add("--seed", std::to_string(o.seed));
    add("--frames", std::to_string(o.frames));
    if (!o.png.empty())
        add("--png", o.png);
    if (!o.state.empty())
        add("--state", o.state);
    if (!o.video.empty()) {
        add("--video", o.video);
        add("--length", std::to_string(o.length));
        add("--fps", std::to_string(o.fps));
    }
    if (o.width)
        add("--size", std::to_string(o.width) + "x" + std::to_string(o.height));
    return a;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzArgv cmd("boxcity-snap", data, size);
    SnapOptions first;
    const std::string problem = parseSnapArgs(cmd.argc(), cmd.argv.data(), first);

    cmd.build();
    SnapOptions again;
    fuzzCheck(parseSnapArgs(cmd.argc(), cmd.argv.data(), again) == problem,
              "a parse is repeatable", problem);
    if (!problem.empty()) {
        checkProblem(problem);
        return 0;
    }
    fuzzCheck(same(first, again), "a parse is repeatable", "options differ");

    const SnapOptions &o = first;
    fuzzCheck(o.length >= 1 && o.length <= 1000000, "--length in 1..1000000",
              std::to_string(o.length));
    fuzzCheck(o.fps >= 1 && o.fps <= 1000, "--fps in 1..1000", std::to_string(o.fps));
    const bool sized = o.width >= 16 && o.width <= 4096 && o.width % 2 == 0 &&
                       o.height >= 16 && o.height <= 4096 && o.height % 2 == 0;
    fuzzCheck((o.width == 0 && o.height == 0) || sized, "--size even, 16..4096",
              std::to_string(o.width) + "x" + std::to_string(o.height));
    fuzzCheck(!o.video.empty() || (o.length == 600 && o.fps == 60), "video only with --video", "");
    fuzzCheck(!o.width || !o.png.empty() || !o.video.empty(), "--size only with a picture", "");

    FuzzArgv back("boxcity-snap", nullptr, 0);
    back.args = written(o);
    back.build();
    SnapOptions read;
    const std::string problemBack = parseSnapArgs(back.argc(), back.argv.data(), read);
    fuzzCheck(problemBack.empty() && same(o, read), "options read back the same", problemBack);
    return 0;
}
