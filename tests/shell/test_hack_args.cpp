// test_hack_args.cpp -- the screensaver hack's command line: every form a
// daemon or a person may use, and each bad input with its exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hack_args.h"

namespace {

struct Parsed {
    HackParse parse;
    HackOptions opts;
};

Parsed parse(const std::vector<const char *> &args, const char *rootWindow = nullptr)
{
    std::vector<std::string> storage{"boxcity"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : storage)
        argv.push_back(&s[0]);
    argv.push_back(nullptr);
    Parsed run;
    run.parse = parseHackArgs((int)storage.size(), argv.data(), rootWindow, run.opts);
    return run;
}

using Lines = std::vector<std::vector<const char *>>;

void expectForeign(const Parsed &run, unsigned long window)
{
    EXPECT_EQ(run.parse.status, 0) << run.parse.problem;
    EXPECT_EQ(run.opts.target, HackTarget::Foreign);
    EXPECT_EQ(run.opts.window, window);
}

TEST(HackArgs, AcceptedForms)
{
    // No options, -window, --window: a window of its own.
    for (const auto &args : Lines{{}, {"-window"}, {"--window"}}) {
        Parsed run = parse(args, "0x42");
        EXPECT_EQ(run.parse.status, 0);
        EXPECT_EQ(run.opts.target, HackTarget::OwnWindow);
    }
    expectForeign(parse({"-root"}, "0x1a00003"), 0x1a00003);
    expectForeign(parse({"--root"}, "27262979"), 27262979);
    expectForeign(parse({"-window-id", "0x1A00003"}), 0x1a00003);
    expectForeign(parse({"--window-id", "4294967295"}), 0xffffffffUL);
    expectForeign(parse({"--window-id=0xff"}), 0xff);
    expectForeign(parse({"-window-id", "010"}), 10);  // decimal, not octal
    // What daemons add and hacks ignore, in any order around the target.
    expectForeign(parse({"-install", "-root", "-visual", "default", "-fps"}, "7"), 7);
    expectForeign(parse({"--fps", "--visual=best", "--window-id", "9"}), 9);
    // The last target given wins.
    expectForeign(parse({"-window", "-window-id", "5"}), 5);
    expectForeign(parse({"-root", "-window-id", "5"}, "6"), 5);
    expectForeign(parse({"-window-id", "5", "-root"}, "6"), 6);
    EXPECT_EQ(parse({"-window-id", "5", "-window"}).opts.target, HackTarget::OwnWindow);
    EXPECT_TRUE(parse({"-help"}).opts.help);
    // The frame settings, handed on as given.
    Parsed set = parse({"-resolution", "native", "--max-fps=0", "-fps", "-window-id", "5"});
    expectForeign(set, 5);
    EXPECT_EQ(set.opts.resolution + " " + set.opts.maxFps, "native 0");
    EXPECT_TRUE(set.opts.showFps);
    set = parse({"--resolution", "1920x1080", "-max-fps", "1000"});
    EXPECT_EQ(set.opts.resolution + " " + set.opts.maxFps, "1920x1080 1000");
    EXPECT_FALSE(set.opts.showFps);
}

TEST(HackArgs, BadCommandLineIsStatusTwo)
{
    for (const auto &args : Lines{
             {"-bogus"}, {"--bogus"}, {"-root=1"}, {"stray"}, {"-root", "stray"},
             {"-window-id"}, {"-visual"},
             {"-window-id", ""}, {"-window-id", "0"}, {"-window-id", "0x"},
             {"-window-id", "12x"}, {"-window-id", "-5"}, {"-window-id", "+5"},
             {"-window-id", " 5"}, {"-window-id", "0x1g"}, {"-window-id", "4294967296"},
             {"-window-id", "0x100000000"}, {"-window-id", "99999999999999999999999"},
             {"-max-fps"}, {"-max-fps", "-1"}, {"-max-fps", "1001"}, {"-max-fps", "6o"},
             {"-max-fps", ""}, {"-max-fps", "99999999999999999999"}, {"-resolution", "0x768"},
             {"-resolution", "1024x"}, {"-resolution", "16385x100"}, {"-resolution", "-4x3"},
             {"-resolution", "Native"}, {"-resolution"}}) {
        Parsed run = parse(args, "0x42");
        std::string shown;
        for (const char *a : args)
            shown += std::string(" '") + a + "'";
        EXPECT_EQ(run.parse.status, 2) << shown;
        EXPECT_FALSE(run.parse.problem.empty()) << shown;
        EXPECT_EQ(run.parse.problem.find('\n'), std::string::npos) << shown;
    }
    EXPECT_EQ(parse({"-bogus"}).parse.problem, "unknown option '-bogus'");
    EXPECT_EQ(parse({"-window-id"}).parse.problem, "option '-window-id' needs a value");
    // getopt stays on "-:x" when it refuses it; the message still names it.
    EXPECT_EQ(parse({"-:x"}).parse.problem, "unknown option '-:x'");
    EXPECT_EQ(parse({"-visual", "v", "-:x"}).parse.problem, "unknown option '-:x'");
    // A control character cannot break the line or reach the terminal.
    EXPECT_EQ(parse({"-window-id", "1\n2\x1b"}).parse.problem,
              "'1\\x0a2\\x1b' is not a window id (decimal or 0x hexadecimal)");
}

TEST(HackArgs, RootWithoutItsWindowIsStatusOne)
{
    for (const char *env : {(const char *)nullptr, "", "junk", "0", "-1"}) {
        Parsed run = parse({"-root"}, env);
        EXPECT_EQ(run.parse.status, 1) << (env ? env : "(unset)");
        EXPECT_FALSE(run.parse.problem.empty());
    }
    EXPECT_EQ(parse({"-root"}).parse.problem,
              "-root needs XSCREENSAVER_WINDOW naming the window to draw on");
}

}  // namespace
