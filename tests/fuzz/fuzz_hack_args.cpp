// fuzz_hack_args.cpp -- the screensaver hack's command line. The input's first
// NUL-separated piece is $XSCREENSAVER_WINDOW (empty: unset), the rest the
// arguments. Any of them is taken, with a window id in X's range, or refused
// with status 1 or 2 and one line that quotes an option as given; getopt's
// global state never carries one parse into the next.
#include <cstring>

#include "hack_args.h"
#include "fuzz_argv.h"

// The window id counts only for a foreign window: "-window-id 5 -window"
// leaves 5 behind, unused.
static bool same(const HackOptions &a, const HackOptions &b)
{
    return a.target == b.target && a.help == b.help && a.resolution == b.resolution &&
           a.maxFps == b.maxFps && a.showFps == b.showFps &&
           (a.target != HackTarget::Foreign || a.window == b.window);
}

static void checkId(const char *text)
{
    unsigned long id = 0;
    if (!parseWindowId(text, id))
        return;
    fuzzCheck(id >= 1 && id <= 0xffffffffUL, "a window id is 1..0xffffffff", text);
    unsigned long back = 0;
    fuzzCheck(parseWindowId(std::to_string(id).c_str(), back) && back == id,
              "a window id reads back the same", text);
}

// "unknown option 'X'" and "option 'X' needs a value" quote an option: X
// starts with '-', never the program's name or another option's value.
static void checkQuotedOption(const std::string &problem)
{
    for (const char *lead : {"unknown option '", "option '"}) {
        if (problem.compare(0, std::strlen(lead), lead) == 0)
            fuzzCheck(problem.size() > std::strlen(lead) && problem[std::strlen(lead)] == '-',
                      "the option named is one given", problem);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const uint8_t *nul = (const uint8_t *)std::memchr(data, 0, size);
    const size_t envSize = nul ? (size_t)(nul - data) : size;
    const std::string env((const char *)data, envSize);
    const char *rootWindow = env.empty() ? nullptr : env.c_str();
    FuzzArgv cmd("boxcity", nul ? nul + 1 : data + size, nul ? size - envSize - 1 : 0);
    checkId(env.c_str());

    HackOptions first;
    const HackParse result = parseHackArgs(cmd.argc(), cmd.argv.data(), rootWindow, first);
    cmd.build();
    HackOptions again;
    const HackParse result2 = parseHackArgs(cmd.argc(), cmd.argv.data(), rootWindow, again);
    fuzzCheck(result.status == result2.status && result.problem == result2.problem,
              "a parse is repeatable", result.problem + " | " + result2.problem);

    if (result.status != 0) {
        fuzzCheck(result.status == 1 || result.status == 2, "status 1 or 2",
                  std::to_string(result.status));
        checkProblem(result.problem);
        checkQuotedOption(result.problem);
        return 0;
    }
    fuzzCheck(result.problem.empty(), "no problem with status 0", result.problem);
    fuzzCheck(same(first, again), "a parse is repeatable", "options differ");
    if (first.target == HackTarget::Foreign)
        fuzzCheck(first.window >= 1 && first.window <= 0xffffffffUL,
                  "a foreign window is 1..0xffffffff", std::to_string(first.window));

    // Written out again as a person would type it, without the environment.
    FuzzArgv back("boxcity", nullptr, 0);
    if (first.target == HackTarget::Foreign) {
        back.args.push_back("--window-id");
        back.args.push_back(std::to_string(first.window));
    }
    if (first.help)
        back.args.push_back("-help");
    if (!first.resolution.empty())
        back.args.push_back("--resolution=" + first.resolution);
    if (!first.maxFps.empty())
        back.args.push_back("--max-fps=" + first.maxFps);
    if (first.showFps)
        back.args.push_back("-fps");
    back.build();
    HackOptions read;
    const HackParse r = parseHackArgs(back.argc(), back.argv.data(), nullptr, read);
    fuzzCheck(r.status == 0 && same(first, read), "options read back the same", r.problem);
    return 0;
}
