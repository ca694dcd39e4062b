// web_main.cpp -- the browser's shell: reads the city from the address
// (seed, steps before the first picture, pause), opens WebGL, generates the
// world, then advances one step and draws one frame per animation frame of
// the browser. The seed and step behind the picture shown stay on the canvas
// as data-seed and data-step.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <string>

#include "render.h"
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

//----------------------------------------------------------------------------
// Globals
//----------------------------------------------------------------------------
static uint64_t step;                        // steps behind the world now
static uint64_t target;                      // steps behind the first picture
static bool shown;                           // the first picture is up
static bool paused;                          // the address, the reader's settings, or Space
static bool looping;                         // an animation frame is requested

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

static EM_BOOL animationFrame(double, void *)
{
    if (!shown) {
        if (!catchUp())
            return EM_TRUE;
        drawFrame();
        showStep();
        shown = true;
        pageStatus("");
        pageFirstPicture();
        pagePaused(paused, 1);
    } else if (!paused) {
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

// The address read by boxcity-snap's own rules for --seed and --frames.
static std::string readAddress(SnapOptions &opts)
{
    std::string seed, frames;
    const bool hasSeed = param("seed", seed) != nullptr;
    const bool hasFrames = param("frames", frames) != nullptr;
    return parseAddress(hasSeed ? &seed : nullptr, hasFrames ? &frames : nullptr, opts);
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
    paused = param("pause", unused) != nullptr || pageReducedMotion();

    char reason[256];
    if (!webglOpen(reason, sizeof reason)) {
        pageFail((std::string("WebGL initialization failed: ") + reason).c_str());
        return 0;
    }
    initGL();
    initmeSeeded(opts.seed);
    char seed[16];
    std::snprintf(seed, sizeof seed, "%" PRIu32, opts.seed);
    pageSetAttribute("data-seed", seed);
    target = opts.frames;
    startLoop();
    return 0;
}
