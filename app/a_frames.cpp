// a_frames.cpp -- frame settings and pacing. The animation has no clock (one
// step per frame), so a limit on frames is a limit on its speed: on a fast
// display a screensaver would otherwise run faster and never rest. Plain
// boxcity keeps its fixed mode and pause unless the environment asks.
#include <GL/gl.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "a_frames.h"
#include "app.h"

// ---- constants ----

static const int SCREENSAVER_MAX_FPS = 60;
// Found anywhere in GL_RENDERER: Mesa's rasterisers (a driver layered over
// one, such as zink, names it too), Windows' own OpenGL 1.1, and the CPU
// devices that Direct3D and Vulkan layers report.
static const char *const SOFTWARE_RENDERERS[] = {
    "llvmpipe", "softpipe", "swrast", "Software Rasterizer", "GDI Generic", "SwiftShader",
    "Microsoft Basic Render Driver"};

// ---- types ----

using Clock = std::chrono::steady_clock;

// ---- globals ----

static bool saverDefaults = false;
static Clock::time_point nextFrame;    // when the next may be shown
static bool framesStarted = false;

// ---- functions ----

void useSaverDefaults(void)
{
    saverDefaults = true;
}

// The variable's value, or null when unset or empty.
static const char *setting(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value ? value : nullptr;
}

// A switch in the environment: on with "1"; anything else is a mistake.
static std::string readSwitch(const char *name, bool &on)
{
    const char *value = setting(name);
    if (!value)
        return "";
    if (std::strcmp(value, "1") != 0)
        return std::string(name) + ": '" + shownText(value) + "' is not 1 (or unset)";
    on = true;
    return "";
}

std::string readFrameSettings(FrameSettings &s)
{
    s = FrameSettings();
    std::string problem = readSwitch("BOXCITY_SCREENSAVER", saverDefaults);
    if (!problem.empty())
        return problem;
    if (saverDefaults) {
        s.sized = s.budgeted = s.paced = s.vsync = true;
        s.maxFps = SCREENSAVER_MAX_FPS;
    }
    if (const char *text = setting("BOXCITY_RESOLUTION")) {
        problem = parseResolution("BOXCITY_RESOLUTION", text, s.resolution);
        s.sized = true;
        s.budgeted = false;        // the user's word over the budget
    }
    if (const char *text = setting("BOXCITY_MAX_FPS")) {
        if (problem.empty())
            problem = parseMaxFps("BOXCITY_MAX_FPS", text, s.maxFps);
        s.paced = true;
    }
    if (problem.empty())
        problem = readSwitch("BOXCITY_SHOW_FPS", s.showFps);
    return problem;
}

void pictureArea(int desktopW, int desktopH, int &w, int &h)
{
    if (lentWindowSize(w, h) && w > 0 && h > 0)
        return;
    w = desktopW > 0 ? desktopW : 1024;
    h = desktopH > 0 ? desktopH : 768;
}

bool softwareRenderer(void)
{
    const char *renderer = (const char *)glGetString(GL_RENDERER);
    if (!renderer)
        return false;
    for (const char *name : SOFTWARE_RENDERERS)
        if (std::strstr(renderer, name))
            return true;
    return false;
}

// Frames are due on a fixed grid, so that short sleeps and long frames even
// out; a frame later than a whole period starts the grid anew rather than
// letting the next ones catch up in a burst. The grid is kept in the clock's
// own ticks: a point held as double seconds and compared back with the
// clock's reading may come out a fraction of a tick later than it, and the
// frame that starts the grid would then wait.
void waitForFrame(int maxFps)
{
    if (maxFps <= 0)
        return;
    const Clock::duration period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / (double)maxFps));
    auto now = Clock::now();
    if (!framesStarted || now - nextFrame > period) {
        framesStarted = true;
        nextFrame = now;
    }
    while (now < nextFrame) {
        const double ms = std::chrono::duration<double, std::milli>(nextFrame - now).count();
        SDL_Delay((Uint32)std::ceil(ms));
        now = Clock::now();
    }
    nextFrame += period;
}
