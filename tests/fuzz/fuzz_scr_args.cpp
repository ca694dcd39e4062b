// fuzz_scr_args.cpp -- boxcity.scr's command line (/s, /p HWND, /c[:HWND]):
// any argv is taken, a preview always with a window, or refused with status 2
// and one line; what was taken reads back the same when written out again.
#include "fuzz_argv.h"
#include "scr_args.h"

static bool same(const ScrOptions &a, const ScrOptions &b)
{
    return a.mode == b.mode && a.window == b.window;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzArgv cmd("boxcity.scr", data, size);
    ScrOptions first;
    const ScrParse result = parseScrArgs(cmd.argc(), cmd.argv.data(), first);
    cmd.build();
    ScrOptions again;
    const ScrParse result2 = parseScrArgs(cmd.argc(), cmd.argv.data(), again);
    fuzzCheck(result.status == result2.status && result.problem == result2.problem,
              "a parse is repeatable", result.problem);

    if (result.status != 0) {
        fuzzCheck(result.status == 2, "status 2", std::to_string(result.status));
        checkProblem(result.problem);
        return 0;
    }
    fuzzCheck(result.problem.empty(), "no problem with status 0", result.problem);
    fuzzCheck(same(first, again), "a parse is repeatable", "options differ");
    fuzzCheck(first.mode != ScrMode::Preview || first.window != 0, "a preview has a window", "");

    FuzzArgv back("boxcity.scr", nullptr, 0);
    switch (first.mode) {
    case ScrMode::Saver:
        back.args.push_back("/s");
        break;
    case ScrMode::Preview:
        back.args.push_back("/p");
        back.args.push_back(std::to_string(first.window));
        break;
    case ScrMode::Configure:
        back.args.push_back(first.window ? "/c:" + std::to_string(first.window) : "/c");
        break;
    }
    back.build();
    ScrOptions read;
    const ScrParse r = parseScrArgs(back.argc(), back.argv.data(), read);
    fuzzCheck(r.status == 0 && same(first, read), "options read back the same", r.problem);
    return 0;
}
