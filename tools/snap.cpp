// snap.cpp -- boxcity-snap: generates the city from a seed, runs the
// animation step a given number of times without a display, then writes the
// frame as a PNG (drawn offscreen exactly as the program draws it), the
// world-state image, and/or a short summary.
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "offscreen.h"
#include "render.h"
#include "sim.h"
#include "snap_args.h"
#include "snap_out.h"
#include "state.h"
#include "world.h"

static const int SNAP_W = 1024;
static const int SNAP_H = 768;

static int fail(const std::string &problem)
{
    std::fprintf(stderr, "boxcity-snap: %s\n", problem.c_str());
    return 1;
}

// Steps the world, showing how far it got on a terminal now and then.
static void runFrames(uint64_t frames)
{
    const bool showProgress = isatty(STDERR_FILENO) != 0;
    auto last = std::chrono::steady_clock::now();
    int shown = 0;
    for (uint64_t f = 0; f < frames; f++) {
        calcme();
        if (!showProgress || (f & 4095u) != 4095u)
            continue;
        const auto now = std::chrono::steady_clock::now();
        if (now - last < std::chrono::milliseconds(500))
            continue;
        last = now;
        shown = std::fprintf(stderr, "\rboxcity-snap: frame %" PRIu64 " of %" PRIu64 " (%.1f%%)",
                             f + 1, frames, 100.0 * (double)(f + 1) / (double)frames);
    }
    if (shown > 0)
        std::fprintf(stderr, "\r%*s\r", shown, "");
}

static void printInfo(uint32_t seed, uint64_t frames)
{
    const mycam &c = mycamz[whichcam];
    int travelling[4] = {0, 0, 0, 0};
    for (const car &k : carz)
        if (k.state >= 0 && k.state < 4)
            travelling[k.state]++;
    std::printf("seed %" PRIu32 "\n", seed);
    std::printf("frame %" PRIu64 "\n", frames);
    std::printf("eye %.9g %.9g %.9g\n", (double)c.xcam, (double)c.ycam, (double)c.zcam);
    std::printf("look %.9g %.9g %.9g\n", (double)c.xlook, (double)c.ylook, (double)c.zlook);
    std::printf("cars -z %d\n", travelling[0]);
    std::printf("cars -x %d\n", travelling[1]);
    std::printf("cars +z %d\n", travelling[2]);
    std::printf("cars +x %d\n", travelling[3]);
    std::printf("draws %" PRIu64 "\n", rngDraws());
}

int main(int argc, char **argv)
{
    SnapOptions opts;
    const std::string problem = parseSnapArgs(argc, argv, opts);
    if (!problem.empty()) {
        std::fprintf(stderr, "boxcity-snap: %s\n%s\n", problem.c_str(), SNAP_USAGE);
        return 2;
    }
    if (opts.help) {
        std::fputs(SNAP_HELP, stdout);
        return 0;
    }
    if (opts.png.empty() && opts.state.empty())
        opts.info = true;
    if (!opts.seedGiven) {
        opts.seed = (uint32_t)time(0);
        std::fprintf(stderr, "boxcity-snap: seed %" PRIu32 "\n", opts.seed);
    }

    // Everything that can fail is checked before a possibly long run.
    for (const std::string *path : {&opts.png, &opts.state}) {
        if (path->empty())
            continue;
        const std::string unwritable = probeWritable(*path);
        if (!unwritable.empty())
            return fail(unwritable);
    }
    if (!opts.png.empty()) {
        const char *why = offscreenOpen(SNAP_W, SNAP_H);
        if (why) {
            offscreenClose();
            return fail(std::string("no OpenGL for --png: ") + why);
        }
        initGL();
    }

    initmeSeeded(opts.seed);
    runFrames(opts.frames);

    if (!opts.png.empty()) {
        std::vector<unsigned char> rgba((size_t)SNAP_W * SNAP_H * 4);
        drawFrame();
        offscreenRead(rgba.data());
        offscreenClose();
        const std::string err = writeAtomically(opts.png, [&](FILE *file) {
            return writePngRgb(file, rgba.data(), SNAP_W, SNAP_H);
        });
        if (!err.empty())
            return fail(err);
    }
    if (!opts.state.empty()) {
        std::vector<unsigned char> image(STATE_IMAGE_BYTES);
        stateImageFill(image.data());
        const std::string err = writeAtomically(opts.state, [&](FILE *file) {
            return std::fwrite(image.data(), 1, image.size(), file) == image.size();
        });
        if (!err.empty())
            return fail(err);
    }
    if (opts.info)
        printInfo(opts.seed, opts.frames);
    return 0;
}
