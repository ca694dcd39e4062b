// test_win_scr_args.cpp -- boxcity.scr's command line: every form Windows or
// a person may use, and each malformed one with the problem it names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win_scr_args.h"

namespace {

struct Parsed {
    ScrParse parse;
    ScrOptions opts;
};

Parsed parse(const std::vector<const char *> &args)
{
    std::vector<std::string> storage{"boxcity.scr"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : storage)
        argv.push_back(&s[0]);
    argv.push_back(nullptr);
    Parsed run;
    run.opts.window = 99;                       // must not leak through
    run.parse = parseScrArgs((int)storage.size(), argv.data(), run.opts);
    return run;
}

using Lines = std::vector<std::vector<const char *>>;

void expectMode(const std::vector<const char *> &args, ScrMode mode, uint64_t window)
{
    Parsed run = parse(args);
    std::string shown;
    for (const char *a : args)
        shown += std::string(" '") + a + "'";
    EXPECT_EQ(run.parse.status, 0) << shown << ": " << run.parse.problem;
    EXPECT_EQ(run.opts.mode, mode) << shown;
    EXPECT_EQ(run.opts.window, window) << shown;
}

TEST(ScrArgs, AcceptedForms)
{
    expectMode({}, ScrMode::Configure, 0);
    for (const char *s : {"/s", "/S", "-s", "-S"})
        expectMode({s}, ScrMode::Saver, 0);
    for (const auto &args : Lines{{"/p", "1234"}, {"/P:1234"}, {"-p", "1234"}, {"-P:1234"},
                                  {"/p", "0x4d2"}, {"/p:0X4D2"}})
        expectMode(args, ScrMode::Preview, 1234);
    expectMode({"/p", "18446744073709551615"}, ScrMode::Preview, UINT64_MAX);
    expectMode({"/p", "010"}, ScrMode::Preview, 10);   // decimal, not octal
    for (const char *c : {"/c", "/C", "-c"})
        expectMode({c}, ScrMode::Configure, 0);
    for (const auto &args : Lines{{"/c:65542"}, {"-C:65542"}, {"/c", "65542"}})
        expectMode(args, ScrMode::Configure, 65542);
}

TEST(ScrArgs, MalformedNamesTheProblem)
{
    for (const auto &args : Lines{
             {"/x"}, {"/"}, {"-"}, {"s"}, {""}, {"/save"}, {"/s:1"}, {"/s", "1"}, {"/s", "/s"},
             {"/p"}, {"/p:"}, {"/p", ""}, {"/p", "0"}, {"/p", "-5"}, {"/p", "12x"}, {"/p", "0x"},
             {"/p", "0x1g"}, {"/p", " 5"}, {"/p", "18446744073709551616"}, {"/p", "5", "6"},
             {"/p5"}, {"/c:"}, {"/c:abc"}, {"/c", "abc"}, {"/c:5", "6"}}) {
        Parsed run = parse(args);
        std::string shown;
        for (const char *a : args)
            shown += std::string(" '") + a + "'";
        EXPECT_EQ(run.parse.status, 2) << shown;
        EXPECT_FALSE(run.parse.problem.empty()) << shown;
        EXPECT_EQ(run.parse.problem.find('\n'), std::string::npos) << shown;
    }
    EXPECT_EQ(parse({"/x"}).parse.problem, "unknown option '/x'");
    EXPECT_EQ(parse({"/p"}).parse.problem, "option '/p' needs a window handle");
    EXPECT_EQ(parse({"-P", "abc"}).parse.problem, "'abc' is not a window handle");
    EXPECT_EQ(parse({"/s", "now"}).parse.problem, "unexpected argument 'now'");
    EXPECT_EQ(parse({"now"}).parse.problem,
              "unexpected argument 'now' (expected /s, /p HWND or /c)");
}

}  // namespace
