// web_main.cpp -- the browser's shell: reads the city from the address
// (seed, steps before the first picture, pause, resolution, frame limit),
// opens WebGL, generates the world, then advances one step and draws one
// frame per animation frame of the browser, at most as many a second as the
// limit allows. The canvas holds as many pixels as the area it fills on the
// screen (within the resolution, or 1024x768 on a software renderer). The
// seed and step behind the picture shown stay on the canvas as data-seed and
// data-step. As a desktop's wallpaper the picture covers the screen, cropped,
// at 30 frames a second unless the address or the host says otherwise; the
// host sets the frame limit and the resolution, and while it pauses the page
// nothing is stepped, drawn or uploaded.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <string>

#include "render.h"
#include "settings.h"
#include "sim.h"
#include "snap_args.h"
#include "web_address.h"
#include "web_local.h"
#include "world.h"

//----------------------------------------------------------------------------
// Constants
//----------------------------------------------------------------------------
static const double CATCH_UP_MS = 25.0;      // stepping per animation frame before the first picture
static const uint64_t CHECK_EVERY = 64;      // steps between looks at the clock
static const double EARLY = 0.125;           // of a frame's interval: an animation frame
                                             // this early still counts as on time
static const Resolution SOFTWARE_BUDGET = {false, 1024, 768};
static const int WALLPAPER_FPS = 30;         // a wallpaper's frame limit unless given

//----------------------------------------------------------------------------
// Globals
//----------------------------------------------------------------------------
static uint64_t step;                        // steps behind the world now
static uint64_t target;                      // steps behind the first picture
static bool shown;                           // the first picture is up
static bool paused;                          // the address, the reader's settings, or Space
static bool looping;                         // an animation frame is requested
static PageSettings settings;                // the resolution and frame limit now
static PageSettings defaults;                // the address's, to which a bad host value returns
static bool wallpaper;                       // the page is a desktop's wallpaper
static bool hostPaused;                      // the wallpaper's host pauses it
static bool stale;                           // resized while the host paused it
static bool software;                        // WebGL draws on the CPU
static int pictureW, pictureH;               // the canvas's pixels now
static double due;                           // when the next step may be drawn (ms)

//----------------------------------------------------------------------------
// Functions
//----------------------------------------------------------------------------
static void showStep(void)
{
    char text[24];
    std::snprintf(text, sizeof text, "%" PRIu64, step);
    pageSetAttribute("data-step", text);
}

// Steps toward the first picture for a slice of one animation frame, so that
// a far step keeps the page responsive; true once there.
static bool catchUp(void)
{
    const double start = emscripten_get_now();
    while (step < target) {
        calcme();
        step++;
        if (step % CHECK_EVERY == 0 && emscripten_get_now() - start > CATCH_UP_MS)
            break;
    }
    if (step < target) {
        char line[96];
        std::snprintf(line, sizeof line, "Running to step %" PRIu64 ": %.0f%%", target,
                      100.0 * (double)step / (double)target);
        pageStatus(line);
        return false;
    }
    return true;
}

// The smallest 4:3 picture that covers the whole area, which the page then
// crops to it, no larger than the resolution allows.
static void coverSize(const Resolution &res, int areaW, int areaH, int &w, int &h)
{
    long units = std::max((areaW + 3L) / 4, (areaH + 2L) / 3);
    if (!res.native)
        units = std::min(units, (long)std::min(res.width / 4, res.height / 3));
    units = std::max(units, 1L);
    w = (int)(units * 4);
    h = (int)(units * 3);
}

// The canvas's pixels for the area it fills now; after a change the picture
// is drawn anew, as the browser clears a resized canvas (on resuming, where
// the host pauses the page).
static void fitPicture(void)
{
    int areaW = 0, areaH = 0, w = 0, h = 0;
    pageAreaSize(&areaW, &areaH);
    const bool budget = software && !settings.resolutionGiven;
    const Resolution &res = budget ? SOFTWARE_BUDGET : settings.resolution;
    if (wallpaper)
        coverSize(res, areaW, areaH, w, h);
    else
        pictureSize(res, areaW, areaH, w, h);
    if (w == pictureW && h == pictureH)
        return;
    pictureW = w;
    pictureH = h;
    pageCanvasSize(w, h);
    setPictureSize(w, h);
    initGL();
    if (shown && hostPaused)
        stale = true;
    else if (shown)
        drawFrame();
}

// Whether an animation frame at now (ms) may run a step: at most maxFps a
// second, whatever the display's rate, and no burst after a stall.
static bool stepDue(double now)
{
    if (settings.maxFps == 0)
        return true;
    const double interval = 1000.0 / settings.maxFps;
    if (due > now + interval * (1.0 + EARLY))   // further off than a step: the limit was raised
        due = now;
    if (now < due - interval * EARLY)
        return false;
    due += interval;
    if (due < now)
        due = now + interval;
    return true;
}

static EM_BOOL animationFrame(double now, void *)
{
    if (hostPaused) {
        looping = false;
        return EM_FALSE;
    }
    if (!shown) {
        if (!catchUp())
            return EM_TRUE;
        drawFrame();
        showStep();
        shown = true;
        pageStatus("");
        pageFirstPicture();
        pagePaused(paused, 1);
        due = now;
    } else if (!paused && stepDue(now)) {
        calcme();
        step++;
        drawFrame();
        showStep();
    }
    looping = !paused || !shown;
    return looping ? EM_TRUE : EM_FALSE;
}

static void startLoop(void)
{
    if (!looping) {
        looping = true;
        emscripten_request_animation_frame_loop(animationFrame, nullptr);
    }
}

// The address's value of name, or null when it has none.
static const char *param(const char *name, std::string &value)
{
    const int length = pageParam(name, nullptr, 0);
    if (length < 0)
        return nullptr;
    value.assign((size_t)length + 1, '\0');
    pageParam(name, &value[0], length + 1);
    value.resize((size_t)length);
    return value.c_str();
}

// The host's value of name; false when it has given none.
static bool pageHostValue(const char *name, std::string &value)
{
    const int length = pageHost(name, nullptr, 0);
    if (length < 0)
        return false;
    value.assign((size_t)length + 1, '\0');
    pageHost(name, &value[0], length + 1);
    value.resize((size_t)length);
    return true;
}

// The address read by boxcity-snap's own rules for --seed and --frames, and
// the shared ones for the display settings.
static std::string readAddress(SnapOptions &opts)
{
    std::string seed, frames, resolution, fps;
    AddressValues values;
    if (param("seed", seed))
        values.seed = &seed;
    if (param("frames", frames))
        values.frames = &frames;
    if (param("resolution", resolution))
        values.resolution = &resolution;
    if (param("fps", fps))
        values.fps = &fps;
    return parseAddress(values, opts, settings);
}

// What the host asks for now: each setting by the address's rules, a value
// out of range taken as no value (the default), and whether it pauses.
static void readHost(void)
{
    std::string value;
    settings.maxFps = defaults.maxFps;
    if (pageHostValue("fps", value))
        parseMaxFps("fps", value.c_str(), settings.maxFps);
    Resolution res;
    const bool given = pageHostValue("resolution", value) &&
                       parseResolution("resolution", value.c_str(), res).empty();
    settings.resolution = given ? res : defaults.resolution;
    settings.resolutionGiven = given || defaults.resolutionGiven;
    hostPaused = pageHostPaused() != 0;
}

extern "C" EMSCRIPTEN_KEEPALIVE void webHostChanged(void)
{
    readHost();
    fitPicture();
    if (hostPaused)
        return;
    if (stale) {
        stale = false;
        drawFrame();
    }
    if (!paused || !shown)
        startLoop();
}

extern "C" EMSCRIPTEN_KEEPALIVE void webResize(void)
{
    fitPicture();
}

extern "C" EMSCRIPTEN_KEEPALIVE void webTogglePause(void)
{
    if (!shown)
        return;
    paused = !paused;
    if (!paused)
        startLoop();
    pagePaused(paused, 0);
}

int main(void)
{
    SnapOptions opts;
    const std::string problem = readAddress(opts);
    if (!problem.empty()) {
        pageFail(problem.c_str());
        return 0;
    }
    if (!opts.seedGiven)
        opts.seed = (uint32_t)time(nullptr);
    std::string unused;
    wallpaper = pageWallpaper() != 0;
    if (wallpaper && !param("fps", unused))
        settings.maxFps = WALLPAPER_FPS;
    defaults = settings;
    readHost();
    // A wallpaper was chosen to move, and no key or tap reaches it to play.
    paused = param("pause", unused) != nullptr || (pageReducedMotion() && !wallpaper);

    char reason[256];
    if (!webglOpen(reason, sizeof reason)) {
        pageFail((std::string("WebGL initialization failed: ") + reason).c_str());
        return 0;
    }
    software = webglSoftware() != 0;
    fitPicture();
    pageWatchSize();
    initmeSeeded(opts.seed);
    char seed[16];
    std::snprintf(seed, sizeof seed, "%" PRIu32, opts.seed);
    pageSetAttribute("data-seed", seed);
    target = opts.frames;
    startLoop();
    return 0;
}
