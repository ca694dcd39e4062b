// test_startup.cpp -- start-up and the frame loop of the real runCity,
// compiled against stand-ins for the SDL calls it makes and for the world,
// simulation and renderer entry points. A real display can only show the
// failure of the video mode; here each of the four start-up failures is
// made to happen. The calls the shell makes are traced; the cases check what
// it does (which calls, how often, what must come first), not their order.
//
// runCity ends the process, so each case runs it in a death test: the
// child writes its trace to a file that the test reads afterwards.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "a_frames.h"
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
    int desktopW = 0, desktopH = 0;     // 0: not known
    const char *renderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
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
    videoInfo.current_w = script.desktopW;
    videoInfo.current_h = script.desktopH;
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
    // Past the scripted passes the loop is stopped, so a run that should
    // never have got there ends instead of running on.
    if (pass >= script.passes.size()) {
        if (pass++ > script.passes.size())
            return 0;
        *event = keyDown(SDLK_ESCAPE);
        trace("SDL_PollEvent=%d (unscripted)", (int)event->type);
        return 1;
    }
    if (eventInPass < script.passes[pass].size()) {
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

void SDL_Delay(Uint32 ms)
{
    trace("SDL_Delay");
    usleep(ms * 1000);
}
void SDL_GL_SwapBuffers(void) { trace("SDL_GL_SwapBuffers"); }
const GLubyte *glGetString(GLenum name)
{
    return name == GL_RENDERER ? (const GLubyte *)script.renderer : nullptr;
}
}

void setPictureSize(int width, int height) { trace("setPictureSize(%d,%d)", width, height); }
void drawFrame(void) { trace("drawFrame"); }
void drawFpsOverlay(int, int) { trace("drawFpsOverlay"); }
bool lentWindowSize(int &, int &) { return false; }

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
        for (const char *name : {"BOXCITY_SCREENSAVER", "BOXCITY_RESOLUTION", "BOXCITY_MAX_FPS",
                                 "BOXCITY_SHOW_FPS"})
            unsetenv(name);
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

    std::vector<std::string> traced()
    {
        std::ifstream in(tracePath);
        std::vector<std::string> calls;
        for (std::string line; std::getline(in, line);)
            calls.push_back(line);
        return calls;
    }

    // How often a call whose trace line starts with name was made.
    size_t count(const std::string &name)
    {
        size_t n = 0;
        for (const std::string &call : traced())
            n += call.compare(0, name.size(), name) == 0;
        return n;
    }

    // Where the first such call was made; past the end if never.
    size_t first(const std::string &name)
    {
        std::vector<std::string> calls = traced();
        for (size_t i = 0; i < calls.size(); i++)
            if (calls[i].compare(0, name.size(), name) == 0)
                return i;
        return calls.size();
    }

    // A failed step: SDL is closed, and neither the renderer nor the world
    // was started.
    void expectStoppedEarly()
    {
        EXPECT_EQ(count("SDL_Quit"), 1u);
        EXPECT_EQ(count("initGL") + count("initme") + count("calcme") + count("drawGLScene"), 0u);
    }
};

using Exact = ::testing::Matcher<const std::string &>;

// Every start-up step that fails: status 1, one line naming the step and
// SDL's reason, SDL closed, nothing after it started.
TEST_F(Startup, EachFailingStepReportsAndQuits)
{
    const struct {
        const char *step;
        void (*fail)(Script &);
        const char *line;
        bool modeSet;
    } cases[] = {
        {"init", [](Script &s) { s.initResult = -1; },
         "Video initialization failed: no video device\n", false},
        {"no display (offscreen)", [](Script &s) { s.driver = "offscreen"; },
         "Video initialization failed: no display found (DISPLAY or WAYLAND_DISPLAY must name "
         "one that can be opened)\n", false},
        {"no display (dummy)", [](Script &s) { s.driver = "dummy"; },
         "Video initialization failed: no display found (DISPLAY or WAYLAND_DISPLAY must name "
         "one that can be opened)\n", false},
        {"video query", [](Script &s) { s.videoInfo = false; },
         "Video query failed: video info unavailable\n", false},
        {"video mode", [](Script &s) { s.videoMode = false; },
         "Video mode set failed: no 1024x768x16 mode\n", true},
        {"key repeat", [](Script &s) { s.keyRepeatResult = -1; },
         "Setting keyboard repeat failed: key repeat refused\n", true},
        {"key repeat, any non-zero result", [](Script &s) { s.keyRepeatResult = 1; },
         "Setting keyboard repeat failed: key repeat refused\n", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.step);
        script = Script();
        c.fail(script);
        EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(1), Exact(c.line));
        expectStoppedEarly();
        EXPECT_EQ(count("SDL_SetVideoMode"), c.modeSet ? 1u : 0u);
    }
}

// SDL 2 falls back to a driver that shows nothing when no display opens;
// asked for by name, it is honoured.
TEST_F(Startup, DriverAskedForByNameIsHonoured)
{
    for (const char *driver : {"offscreen", "dummy"}) {
        SCOPED_TRACE(driver);
        script.driver = driver;
        script.passes = {{keyDown(SDLK_ESCAPE)}};
        setenv("SDL_VIDEODRIVER", driver, 1);
        EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(0), Exact(""));
        unsetenv("SDL_VIDEODRIVER");
        EXPECT_EQ(count("initme"), 1u);
    }
}

// The mode: 1024x768x16, OpenGL, full screen, double-buffered (asked for
// before the mode is set), hardware acceleration only where the hardware
// blits; the renderer starts on the new surface, and the cursor is hidden.
TEST_F(Startup, FullScreenOpenGLModeThenRendererAndHiddenCursor)
{
    for (bool blitHw : {false, true}) {
        SCOPED_TRACE(blitHw ? "hardware blits" : "no hardware blits");
        script = Script();
        script.blitHw = blitHw;
        script.passes = {{keyDown(SDLK_ESCAPE)}};
        EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(0), Exact(""));
        unsigned w = 0, h = 0, bpp = 0, flags = 0;
        const std::string mode = traced()[first("SDL_SetVideoMode")];
        ASSERT_EQ(std::sscanf(mode.c_str(), "SDL_SetVideoMode(%u,%u,%u,%x)", &w, &h, &bpp, &flags), 4);
        EXPECT_TRUE(w == 1024 && h == 768 && bpp == 16) << mode;
        EXPECT_TRUE((flags & SDL_OPENGL) && (flags & SDL_FULLSCREEN)) << mode;
        EXPECT_EQ((flags & SDL_HWACCEL) != 0, blitHw) << mode;
        EXPECT_LT(first("SDL_GL_SetAttribute(" + std::to_string(SDL_GL_DOUBLEBUFFER) + ",1)"),
                  first("SDL_SetVideoMode"));
        EXPECT_EQ(count("initGL surface=set"), 1u);
        EXPECT_EQ(count("SDL_ShowCursor(0)"), 1u);
        EXPECT_LT(first("initme"), first("calcme"));
    }
}

// Every pass steps and draws once, the one that takes the stop request too;
// none follows it, and SDL is closed last.
TEST_F(Startup, StopRequestEndsTheLoopAfterItsFrame)
{
    script.passes = {{}, {mouseMotion()}, {mouseMotion(), keyDown(SDLK_ESCAPE)}};
    EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(0), Exact(""));
    EXPECT_EQ(count("calcme"), 3u);
    EXPECT_EQ(count("drawGLScene"), 3u);
    EXPECT_EQ(traced().back(), "SDL_Quit");
    EXPECT_EQ(count("SDL_Quit"), 1u);
}

// The frame settings from the environment on a 3840x2160 desktop: vsync, the
// modes, the picture and the calls of each frame; or the one line refused.
TEST_F(Startup, FrameSettingsChooseTheModeAndThePacing)
{
    const struct { const char *env, *renderer, *want; } cases[] = {
        {"", "llvmpipe", "mode(1024,768) picture(1024,768) drawGLScene drawGLScene"},
        {"BOXCITY_SCREENSAVER=1", "llvmpipe (LLVM 15)",
         "vsync mode(1024,768) picture(1024,768) drawFrame swap drawFrame swap"},
        {"BOXCITY_SCREENSAVER=1", "NVIDIA H100",
         "vsync mode(1024,768) mode(2880,2160) picture(2880,2160) drawFrame swap drawFrame swap"},
        {"BOXCITY_SCREENSAVER=1 BOXCITY_MAX_FPS=0 BOXCITY_SHOW_FPS=1", "GDI Generic",
         "vsync mode(1024,768) picture(1024,768) drawFrame fps swap drawFrame fps swap"},
        {"BOXCITY_SCREENSAVER=1 BOXCITY_RESOLUTION=native", "llvmpipe",
         "vsync mode(2880,2160) picture(2880,2160) drawFrame swap drawFrame swap"},
        {"BOXCITY_RESOLUTION=1920x1080", "llvmpipe",
         "mode(1440,1080) picture(1440,1080) drawGLScene drawGLScene"},
        {"BOXCITY_MAX_FPS=1", "llvmpipe",
         "mode(1024,768) picture(1024,768) drawFrame swap drawFrame delay swap"},
        {"BOXCITY_MAX_FPS=1 BOXCITY_SHOW_FPS=1", "llvmpipe",
         "mode(1024,768) picture(1024,768) drawFrame fps swap drawFrame fps delay swap"},
        {"BOXCITY_SCREENSAVER=yes", "", "BOXCITY_SCREENSAVER: 'yes' is not 1 (or unset)"},
        {"BOXCITY_RESOLUTION=0x768", "",
         "BOXCITY_RESOLUTION: '0x768' has no pixels (each side at least 1)"},
        {"BOXCITY_SCREENSAVER=1 BOXCITY_MAX_FPS=-1", "",
         "BOXCITY_MAX_FPS: '-1' is not a frame limit (0 for none, or 1..1000)"},
        {"BOXCITY_SHOW_FPS=on", "", "BOXCITY_SHOW_FPS: 'on' is not 1 (or unset)"},
    };
    const char *const shortNames[][2] = {
        {"SDL_GL_SetAttribute(16,1)", "vsync"}, {"SDL_SetVideoMode(", "mode("},
        {",16,0xa0000007", ""},
        {"setPictureSize(", "picture("}, {"drawFpsOverlay", "fps"}, {"SDL_Delay", "delay"},
        {"SDL_GL_SwapBuffers", "swap"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.env);
        std::istringstream env(c.env);
        for (std::string setting; env >> setting;)
            setenv(setting.substr(0, setting.find('=')).c_str(),
                   setting.substr(setting.find('=') + 1).c_str(), 1);
        script.desktopW = 3840;
        script.desktopH = 2160;
        script.renderer = c.renderer;
        script.passes = {{}, {keyDown(SDLK_ESCAPE)}};
        if (!*c.renderer) {
            EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(1), Exact(c.want + std::string("\n")));
            EXPECT_EQ(traced(), std::vector<std::string>{"SDL_Quit"});
        } else {
            EXPECT_EXIT(runMain(), ::testing::ExitedWithCode(0), Exact(""));
            std::string got;
            for (std::string line : traced()) {
                bool kept = line.rfind("draw", 0) == 0;
                for (const auto &name : shortNames) {
                    const size_t at = line.find(name[0]);
                    if (at != std::string::npos) {
                        line.replace(at, std::strlen(name[0]), name[1]);
                        kept = true;
                    }
                }
                // A frame due at 60 a second may or may not have to wait.
                if (kept && !(line == "delay" && !std::strstr(c.want, "delay")))
                    got += (got.empty() ? "" : " ") + line;
            }
            EXPECT_EQ(got, c.want);
        }
        SetUp();
    }
}

// Every way a software renderer names itself, and GPUs that merely mention
// the compiler it shares a name with: the budget holds on the first only.
TEST_F(Startup, SoftwareRenderersKnownByEveryName)
{
    const struct { const char *renderer; bool software; } cases[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", true}, {"softpipe", true}, {"swrast", true},
        {"Software Rasterizer", true}, {"GDI Generic", true},
        {"zink Vulkan 1.3(llvmpipe (LLVM 15.0.6, 256 bits))", true},
        {"ANGLE (Google, Vulkan 1.3.0 (SwiftShader Device (Subzero)), SwiftShader driver)", true},
        {"D3D12 (Microsoft Basic Render Driver)", true},
        {"AMD Radeon RX 6800 (navi21, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", false},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
        {"NVIDIA GeForce RTX 3080/PCIe/SSE2", false}, {"", false}, {nullptr, false}};
    for (const auto &c : cases) {
        script.renderer = c.renderer;
        EXPECT_EQ(softwareRenderer(), c.software) << (c.renderer ? c.renderer : "(none)");
    }
}

}  // namespace
