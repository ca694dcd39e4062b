// headless_run.cpp -- runs the animation without a display: a seeded world,
// then a number of steps, drawing every k-th frame into an offscreen target
// through the real renderer. Built for the sanitizer and memory checks, where
// the point is to exercise the per-frame path, not to look at the pictures.
//
// usage: boxcity-headless FRAMES [SEED [DRAW_EVERY]]
//   DRAW_EVERY 0 skips drawing (and needs no EGL at all).
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "offscreen.h"
#include "render.h"
#include "sim.h"
#include "world.h"

static long argOr(int argc, char **argv, int i, long fallback)
{
    if (argc <= i)
        return fallback;
    char *end = nullptr;
    long v = std::strtol(argv[i], &end, 10);
    if (*argv[i] == '\0' || *end != '\0' || v < 0) {
        std::fprintf(stderr, "boxcity-headless: bad number '%s'\n", argv[i]);
        std::exit(2);
    }
    return v;
}

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s FRAMES [SEED [DRAW_EVERY]]\n", argv[0]);
        return 2;
    }
    long frames = argOr(argc, argv, 1, 0);
    long seed = argOr(argc, argv, 2, 1);
    long every = argOr(argc, argv, 3, 1);

    if (every > 0) {
        if (const char *err = offscreenOpen(1024, 768)) {
            std::fprintf(stderr, "boxcity-headless: %s\n", err);
            return 1;
        }
        initGL();
    }
    initmeSeeded((uint32_t)seed);
    for (long f = 1; f <= frames; f++) {
        calcme();
        if (every > 0 && f % every == 0)
            drawFrame();
    }
    if (every > 0) {
        // Reading the last frame back makes the driver carry out every
        // queued draw before its context goes away.
        std::vector<unsigned char> rgba((size_t)1024 * 768 * 4);
        offscreenRead(rgba.data());
        offscreenClose();
    }
    return 0;
}
