// test_win_scr.cpp -- boxcity.scr: every form of command line Windows or a
// person may use, each malformed one with the problem it names, the stored
// settings it takes or ignores, and the input that ends the running
// screensaver.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app.h"
#include "win_scr.h"

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
             {"/p", "0x1g"}, {"/p", " 5"}, {"/p", "5", "6"},
             // past 2^64, where a wrapped value would be a small window
             {"/p", "18446744073709551616"}, {"/p", "18446744073709551617"},
             {"/p", "0x10000000000000001"}, {"/p", "184467440737095516150"},
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
    EXPECT_EQ(parse({"/p", "\x1b[2J\r"}).parse.problem, "'\\x1b[2J\\x0d' is not a window handle");
    // Text beyond ASCII is text: only control characters are escaped.
    EXPECT_EQ(parse({"/p", "1024\u00d7768"}).parse.problem, "'1024\u00d7768' is not a window handle");
    EXPECT_EQ(parse({"now"}).parse.problem,
              "unexpected argument 'now' (expected /s, /p HWND or /c)");
}

// Whatever the registry holds is a setting or the default (""), never more.
TEST(ScrSettings, StoredValuesTakenOrIgnored)
{
    const std::string dword0("\0\0\0\0", 4), dword5("\x05\0\0\0", 4),
        dword1000("\xe8\x03\0\0", 4), dword1001("\xe9\x03\0\0", 4);
    const struct { StoredValue value; const char *resolution, *maxFps; } cases[] = {
        {StoredValue(), "", ""},
        {StoredValue{true, SCR_REG_SZ, std::string("01280x0960\0", 11)}, "1280x960", ""},
        {StoredValue{true, SCR_REG_SZ, std::string("native\0x", 8)}, "", ""},
        {StoredValue{true, SCR_REG_SZ, "0x0"}, "", ""},
        {StoredValue{true, 2 /* REG_EXPAND_SZ */, "native"}, "", ""},
        {StoredValue{true, SCR_REG_DWORD, dword5}, "", "5"},
        // The ends of the range, none and the highest limit, are settings too.
        {StoredValue{true, SCR_REG_DWORD, dword0}, "", "0"},
        {StoredValue{true, SCR_REG_DWORD, dword1000}, "", "1000"},
        {StoredValue{true, SCR_REG_DWORD, dword1001}, "", ""},
        {StoredValue{true, SCR_REG_DWORD, "\x05"}, "", ""},
        {StoredValue{true, SCR_REG_SZ, "5"}, "", ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(storedResolution(c.value), c.resolution) << c.value.type << " '" << c.value.bytes << "'";
        EXPECT_EQ(storedMaxFps(c.value), c.maxFps) << c.value.type << " '" << c.value.bytes << "'";
    }
}

// A motion event moves by (dx, dy) and reports a position clamped to the
// picture's corner, as it is over a letterbox bar.
SDL_Event event(Uint8 type, int dx = 0, int dy = 0)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
        e.motion.x = 1023;
        e.motion.y = 767;
        e.motion.xrel = (Sint16)dx;
        e.motion.yrel = (Sint16)dy;
    } else if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
        e.key.keysym.sym = SDLK_a;
    }
    return e;
}

int saver(SDL_Event e) { return saverEvent(&e); }

// The pointer's travel is counted once per process; no other test moves it.
TEST(ScrInput, SaverEndsOnAnyInputButATremble)
{
    for (Uint8 type : {SDL_ACTIVEEVENT, SDL_KEYUP, SDL_MOUSEBUTTONUP, SDL_VIDEOEXPOSE})
        EXPECT_EQ(saver(event(type)), 0) << "type " << (int)type;
    // The first report may be a jump from nowhere to where the pointer rests.
    EXPECT_EQ(saver(event(SDL_MOUSEMOTION, 900, -700)), 0);
    // Trembling back and forth, never more than 4 pixels away.
    for (int d : {3, 1, -4, -4, 4, 2})
        EXPECT_EQ(saver(event(SDL_MOUSEMOTION, d, -d)), 0) << d;
    EXPECT_EQ(saver(event(SDL_MOUSEMOTION, 3, 0)), 1);
    for (Uint8 type : {SDL_KEYDOWN, SDL_MOUSEBUTTONDOWN, SDL_QUIT})
        EXPECT_EQ(saver(event(type)), 1) << "type " << (int)type;
}

TEST(ScrInput, PreviewEndsOnlyOnQuit)
{
    for (Uint8 type : {SDL_KEYDOWN, SDL_MOUSEBUTTONDOWN, SDL_MOUSEMOTION}) {
        SDL_Event e = event(type, 500, 500);
        EXPECT_EQ(scrPreviewEvent(&e), 0) << "type " << (int)type;
    }
    SDL_Event quit = event(SDL_QUIT);
    EXPECT_EQ(scrPreviewEvent(&quit), 1);
}

// The program's choice is what the frame loop's drain applies.
std::vector<SDL_Event> queue;
int fakePoll(SDL_Event *e)
{
    if (queue.empty())
        return 0;
    *e = queue.front();
    queue.erase(queue.begin());
    return 1;
}

TEST(ScrInput, FrameLoopAppliesTheChosenRules)
{
    SDL_Event e;
    eventHandler = saverEvent;
    queue = {event(SDL_ACTIVEEVENT), event(SDL_MOUSEBUTTONDOWN), event(SDL_KEYUP)};
    EXPECT_EQ(drainEvents(fakePoll, &e), 1);
    eventHandler = scrPreviewEvent;
    queue = {event(SDL_KEYDOWN)};
    EXPECT_EQ(drainEvents(fakePoll, &e), 0);
    eventHandler = HandleEvent;
}

}  // namespace
