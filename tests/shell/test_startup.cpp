// test_startup.cpp -- start-up and the frame loop of the real runCity,
// compiled against stand-ins for the SDL calls it makes and for the world,
// simulation and renderer entry points. A real display can only show the
// failure of the video mode; here each of the four start-up failures is
// made to happen, and every call the shell makes is traced in order.
//
// runCity ends the process, so each case runs it in a death test: the
// child writes its trace to a file that the test reads afterwards.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app.h"
#include "render.h"
#include "sim.h"
#include "world.h"

namespace {

// What the stand-ins answer, set by each case before runCity runs.
struct Script {
    int initResult = 0;
    const char *driver = "x11";         // the video driver SDL picked
    bool videoInfo = true;
    bool blitHw = false;
    bool videoMode = true;
    int keyRepeatResult = 0;
    std::vector<std::vector<SDL_Event>> passes;   // events per loop pass
};

Script script;
size_t pass, eventInPass;
const char *sdlError = "";
int traceFd = -1;
SDL_VideoInfo videoInfo;
SDL_Surface videoSurface;

// One line per call, written at once: the process may end at any call.
void trace(const char *format, ...) __attribute__((format(printf, 1, 2)));
void trace(const char *format, ...)
{
    char line[128];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line - 1, format, args);
    va_end(args);
    line[n] = '\n';
    if (write(traceFd, line, (size_t)n + 1) < 0)
        std::abort();
}

SDL_Event keyDown(SDLKey sym)
{
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    return e;
}

SDL_Event mouseMotion()
{
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.x = 5;
    e.motion.y = 7;
    return e;
}

}  // namespace

// Stand-ins for the SDL 1.2 calls of the shell (the pause and the swap
// belong to drawGLScene, which is a stand-in itself).
extern "C" {
int SDL_Init(Uint32 flags)
{
    trace("SDL_Init(%#x)", (unsigned)flags);
    sdlError = "no video device";
    return script.initResult;
}

char *SDL_VideoDriverName(char *namebuf, int maxlen)
{
    trace("SDL_VideoDriverName=%s", script.driver);
    std::snprintf(namebuf, (size_t)maxlen, "%s", script.driver);
    return namebuf;
}

void SDL_SetError(const char *fmt, ...)
{
    static char error[256];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(error, sizeof error, fmt, args);
    va_end(args);
    trace("SDL_SetError");
    sdlError = error;
}

const SDL_VideoInfo *SDL_GetVideoInfo(void)
{
    trace("SDL_GetVideoInfo");
    sdlError = "video info unavailable";
    videoInfo = SDL_VideoInfo();
    videoInfo.blit_hw = script.blitHw ? 1 : 0;
    return script.videoInfo ? &videoInfo : nullptr;
}

int SDL_GL_SetAttribute(SDL_GLattr attr, int value)
{
    trace("SDL_GL_SetAttribute(%d,%d)", (int)attr, value);
    return -1;                          // ignored by the shell
}

SDL_Surface *SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    trace("SDL_SetVideoMode(%d,%d,%d,%#x)", width, height, bpp, (unsigned)flags);
    sdlError = "no 1024x768x16 mode";
    return script.videoMode ? &videoSurface : nullptr;
}

int SDL_EnableKeyRepeat(int delay, int interval)
{
    trace("SDL_EnableKeyRepeat(%d,%d)", delay, interval);
    sdlError = "key repeat refused";
    return script.keyRepeatResult;
}

int SDL_ShowCursor(int toggle)
{
    trace("SDL_ShowCursor(%d)", toggle);
    return -1;                          // ignored by the shell
}

int SDL_PollEvent(SDL_Event *event)
{
    if (pass < script.passes.size() && eventInPass < script.passes[pass].size()) {
        *event = script.passes[pass][eventInPass++];
        trace("SDL_PollEvent=%d", (int)event->type);
        return 1;
    }
    trace("SDL_PollEvent=none");
    pass++;
    eventInPass = 0;
    return 0;
}

char *SDL_GetError(void)
{
    trace("SDL_GetError");
    return const_cast<char *>(sdlError);
}

void SDL_Quit(void)
{
    trace("SDL_Quit");
}
}

// Stand-ins for the renderer, the world and the simulation.
int initGL(void)
{
    trace("initGL surface=%s", surface == &videoSurface ? "set" : "unset");
    return 0;                           // ignored by the shell
}

void initme(void) { trace("initme"); }

// Stand-ins for the X11 window watch: here no window is ever taken away.
void watchWindow(void) {}
int windowLost(void) { return 0; }
void calcme(void) { trace("calcme"); }

int drawGLScene(void)
{
    trace("drawGLScene");
    return 0;                           // ignored by the shell
}

namespace {

class Startup : public ::testing::Test {
protected:
    std::string tracePath;

    void SetUp() override
    {
        tracePath = ::testing::TempDir() + "boxcity-startup-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                    std::to_string(getpid()) + ".trace";
        std::remove(tracePath.c_str());
        script = Script();
        unsetenv("SDL_VIDEODRIVER");
    }

    void TearDown() override { std::remove(tracePath.c_str()); }

    // Runs in the death-test child: runCity never comes back.
    void runMain()
    {
        traceFd = open(tracePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
        if (traceFd < 0)
            std::abort();
        pass = eventInPass = 0;
        runCity();
        trace("runCity returned");
    }

    std::string traced()
    {
        std::ifstream in(tracePath);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

    // SDL 1.2's OPENGL | HWSURFACE | ASYNCBLIT | HWPALETTE | FULLSCREEN, and
    // HWACCEL on top where the hardware blits.
    static std::string flagsOf(bool hwAccel) { return hwAccel ? "0xa0000107" : "0xa0000007"; }

    static std::string startUp(bool hwAccel)
    {
        return "SDL_Init(0x20)\nSDL_VideoDriverName=x11\nSDL_GetVideoInfo\n"
               "SDL_GL_SetAttribute(5,1)\n"
               "SDL_SetVideoMode(1024,768,16," + flagsOf(hwAccel) + ")\n"
               "SDL_EnableKeyRepeat(100,30)\ninitGL surface=set\ninitme\nSDL_ShowCursor(0)\n";
    }
};

using Exact = ::testing::Matcher<const std::string &>;

TEST_F(Startup, InitFailureReportsAndQuits)
{
    script.initResult = -1;
    EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(1),
                Exact("Video initialization failed: no video device\n"));
    EXPECT_EQ(traced(), "SDL_Init(0x20)\nSDL_GetError\nSDL_Quit\n");
}

// SDL 2 falls back to a driver that shows nothing when no display opens;
// unasked for, that is the initialisation failure, not a silent run.
TEST_F(Startup, NoDisplayIsAnInitFailure)
{
    for (const char *driver : {"offscreen", "dummy"}) {
        SCOPED_TRACE(driver);
        script.driver = driver;
        EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(1),
                    Exact("Video initialization failed: no display found (DISPLAY or "
                          "WAYLAND_DISPLAY must name one that can be opened)\n"));
        EXPECT_EQ(traced(), "SDL_Init(0x20)\nSDL_VideoDriverName=" + std::string(driver) +
                                "\nSDL_SetError\nSDL_GetError\nSDL_Quit\n");
    }
}

TEST_F(Startup, DriverAskedForByNameIsHonoured)
{
    for (const char *driver : {"offscreen", "dummy"}) {
        SCOPED_TRACE(driver);
        script.driver = driver;
        script.passes = {{keyDown(SDLK_ESCAPE)}};
        setenv("SDL_VIDEODRIVER", driver, 1);
        EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(0), Exact(""));
        unsetenv("SDL_VIDEODRIVER");
        EXPECT_NE(traced().find("initme\n"), std::string::npos);
    }
}

TEST_F(Startup, VideoQueryFailureReportsAndQuits)
{
    script.videoInfo = false;
    EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(1),
                Exact("Video query failed: video info unavailable\n"));
    EXPECT_EQ(traced(), "SDL_Init(0x20)\nSDL_VideoDriverName=x11\nSDL_GetVideoInfo\n"
                        "SDL_GetError\nSDL_Quit\n");
}

TEST_F(Startup, VideoModeFailureStopsBeforeTheRenderer)
{
    script.videoMode = false;
    EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(1),
                Exact("Video mode set failed: no 1024x768x16 mode\n"));
    EXPECT_EQ(traced(), "SDL_Init(0x20)\nSDL_VideoDriverName=x11\nSDL_GetVideoInfo\n"
                        "SDL_GL_SetAttribute(5,1)\n"
                        "SDL_SetVideoMode(1024,768,16," + flagsOf(false) + ")\n"
                        "SDL_GetError\nSDL_Quit\n");
}

TEST_F(Startup, KeyRepeatFailureStopsBeforeTheRenderer)
{
    script.keyRepeatResult = -1;
    EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(1),
                Exact("Setting keyboard repeat failed: key repeat refused\n"));
    EXPECT_EQ(traced(), "SDL_Init(0x20)\nSDL_VideoDriverName=x11\nSDL_GetVideoInfo\n"
                        "SDL_GL_SetAttribute(5,1)\n"
                        "SDL_SetVideoMode(1024,768,16," + flagsOf(false) + ")\n"
                        "SDL_EnableKeyRepeat(100,30)\nSDL_GetError\nSDL_Quit\n");
}

TEST_F(Startup, AnyNonZeroKeyRepeatResultIsAFailure)
{
    script.keyRepeatResult = 1;
    EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(1),
                Exact("Setting keyboard repeat failed: key repeat refused\n"));
}

TEST_F(Startup, FullScreenModeFlagsWithoutHardwareBlits)
{
    script.passes = {{keyDown(SDLK_ESCAPE)}};
    EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(0), Exact(""));
    EXPECT_EQ(traced().substr(0, startUp(false).size()), startUp(false));
}

TEST_F(Startup, HardwareBlitsAddHwAccel)
{
    script.blitHw = true;
    script.passes = {{keyDown(SDLK_ESCAPE)}};
    EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(0), Exact(""));
    EXPECT_EQ(traced().substr(0, startUp(true).size()), startUp(true));
}

// The pass that takes the stop request still steps and draws; none follows.
TEST_F(Startup, StopRequestEndsTheLoopAfterItsFrame)
{
    script.passes = {{}, {mouseMotion()}, {mouseMotion(), keyDown(SDLK_ESCAPE)}};
    EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(0), Exact(""));
    EXPECT_EQ(traced(), startUp(false) +
                            "SDL_PollEvent=none\ncalcme\ndrawGLScene\n"
                            "SDL_PollEvent=4\nSDL_PollEvent=none\ncalcme\ndrawGLScene\n"
                            "SDL_PollEvent=4\nSDL_PollEvent=2\nSDL_PollEvent=none\n"
                            "calcme\ndrawGLScene\nSDL_Quit\n");
}

}  // namespace
