// test_saver_args.cpp -- boxcity-saver's command line: the idle wait in its
// forms and limits, the modes, the display settings; bad input in one line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "saver_args.h"

namespace {

// The problem, or "" and the options as "idle autostart no-autostart resolution max-fps fps".
std::string parse(std::vector<const char *> args)
{
    std::vector<std::string> storage{"boxcity-saver"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : storage)
        argv.push_back(&s[0]);
    SaverOptions o;
    const std::string problem = parseSaverArgs((int)argv.size(), argv.data(), o);
    if (!problem.empty())
        return problem;
    return std::to_string(o.idle) + " " + std::to_string(o.autostart) + " " +
           std::to_string(o.noAutostart) + " " + o.resolution + " " + o.maxFps + " " +
           std::to_string(o.showFps);
}

TEST(SaverArgs, EachInputTakenOrRefusedInOneLine)
{
    const std::vector<std::pair<std::vector<const char *>, const char *>> cases = {
        {{}, "0 0 0   0"},
        {{"--idle", "90s"}, "90 0 0   0"},
        {{"--idle=5m", "--fps"}, "300 0 0   1"},
        {{"--idle", "300"}, "300 0 0   0"},
        {{"--idle", "24h"}, "86400 0 0   0"},
        {{"--autostart", "1s", "--resolution", "800x600", "--max-fps=30"}, "1 1 0 800x600 30 0"},
        {{"--no-autostart"}, "0 0 1   0"},
        {{"--idle"}, "option '--idle' needs a value"},
        {{"--idle", "0"}, "--idle: '0' is not from 1 second to a day"},
        {{"--idle", "25h"}, "--idle: '25h' is not from 1 second to a day"},
        {{"--idle", "86401"}, "--idle: '86401' is not from 1 second to a day"},
        {{"--idle", "-5m"}, "--idle: '-5m' is not a duration (such as 90s, 5m or 1h)"},
        {{"--autostart", "5 m"}, "--autostart: '5 m' is not a duration (such as 90s, 5m or 1h)"},
        {{"--idle", "5m\n"}, "--idle: '5m\\x0a' is not a duration (such as 90s, 5m or 1h)"},
        {{"--idle", "99999999999999999999s"}, nullptr},
        {{"--idle", ""}, nullptr},
        {{"--idle", "5d"}, nullptr},
        {{"--idle", "5m", "--autostart", "5m"}, "--idle, --autostart and --no-autostart: one at most"},
        {{"--idle", "5m", "--no-autostart"}, "--idle, --autostart and --no-autostart: one at most"},
        {{"--resolution", "0x1"}, nullptr},
        {{"--max-fps", "1001"}, nullptr},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--idle", "5m", "stray"}, "unexpected argument 'stray'"},
    };
    for (const auto &c : cases) {
        const std::string got = parse(c.first);
        const std::string shown = c.first.empty() ? "(none)" : c.first[0] + std::string(" ...");
        if (c.second) {
            EXPECT_EQ(got, c.second) << shown;
        } else {   // a refused value: the option named, one line
            EXPECT_TRUE(got.rfind(c.first[0], 0) == 0 && got.find('\n') == std::string::npos)
                << shown << ": " << got;
        }
    }
}

}  // namespace
