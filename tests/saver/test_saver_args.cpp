// test_saver_args.cpp -- boxcity-saver's command line: the idle wait in its
// forms and limits, the login entry's options, the display settings, and
// each bad input as one line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "saver_args.h"

namespace {

std::string parse(std::vector<const char *> args, SaverOptions &opts)
{
    std::vector<std::string> storage{"boxcity-saver"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : storage)
        argv.push_back(&s[0]);
    argv.push_back(nullptr);
    return parseSaverArgs((int)storage.size(), argv.data(), opts);
}

TEST(SaverArgs, AcceptedForms)
{
    const struct {
        std::vector<const char *> args;
        long idle;
        bool autostart, noAutostart;
        const char *settings;          // resolution, max-fps, fps
    } cases[] = {
        {{}, 0, false, false, "  0"},
        {{"--idle", "90s"}, 90, false, false, "  0"},
        {{"--idle=5m"}, 300, false, false, "  0"},
        {{"--idle", "1h", "--fps"}, 3600, false, false, "  1"},
        {{"--idle", "300"}, 300, false, false, "  0"},
        {{"--idle", "24h"}, 86400, false, false, "  0"},
        {{"--idle", "1s"}, 1, false, false, "  0"},
        {{"--autostart", "5m", "--resolution", "800x600", "--max-fps", "30"}, 300, true, false,
         "800x600 30 0"},
        {{"--no-autostart"}, 0, false, true, "  0"},
        {{"--resolution=native", "--max-fps=0"}, 0, false, false, "native 0 0"},
    };
    for (const auto &c : cases) {
        SaverOptions opts;
        const std::string problem = parse(c.args, opts);
        const std::string shown = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(problem, "") << shown;
        EXPECT_EQ(opts.idle, c.idle) << shown;
        EXPECT_EQ(opts.autostart, c.autostart) << shown;
        EXPECT_EQ(opts.noAutostart, c.noAutostart) << shown;
        EXPECT_EQ(opts.resolution + " " + opts.maxFps + " " + (opts.showFps ? "1" : "0"),
                  c.settings) << shown;
    }
}

TEST(SaverArgs, BadCommandLineIsOneLine)
{
    const struct {
        std::vector<const char *> args;
        const char *problem;           // null: any one line
    } cases[] = {
        {{"--idle"}, "option '--idle' needs a value"},
        {{"--idle", "0"}, "--idle: '0' is not from 1 second to a day"},
        {{"--idle", "0s"}, nullptr},
        {{"--idle", "-5m"}, "--idle: '-5m' is not a duration (such as 90s, 5m or 1h)"},
        {{"--idle", "25h"}, "--idle: '25h' is not from 1 second to a day"},
        {{"--idle", "86401"}, nullptr},
        {{"--idle", "1441m"}, nullptr},
        {{"--idle", "99999999999999999999s"}, nullptr},
        {{"--idle", "5 m"}, nullptr},
        {{"--idle", "m"}, nullptr},
        {{"--idle", ""}, nullptr},
        {{"--idle", "5d"}, nullptr},
        {{"--idle", "+5"}, nullptr},
        {{"--idle", "5m\n"}, "--idle: '5m\\x0a' is not a duration (such as 90s, 5m or 1h)"},
        {{"--autostart"}, nullptr},
        {{"--autostart", "0"}, nullptr},
        {{"--idle", "5m", "--autostart", "5m"}, nullptr},
        {{"--idle", "5m", "--no-autostart"}, nullptr},
        {{"--resolution", "0x1"}, nullptr},
        {{"--max-fps", "1001"}, nullptr},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--idle", "5m", "stray"}, "unexpected argument 'stray'"},
    };
    for (const auto &c : cases) {
        SaverOptions opts;
        std::string shown;
        for (const char *a : c.args)
            shown += std::string(" '") + a + "'";
        const std::string problem = parse(c.args, opts);
        EXPECT_FALSE(problem.empty()) << shown;
        EXPECT_EQ(problem.find('\n'), std::string::npos) << shown;
        if (c.problem) {
            EXPECT_EQ(problem, c.problem) << shown;
        }
    }
}

}  // namespace
