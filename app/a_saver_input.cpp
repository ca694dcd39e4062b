// a_saver_input.cpp -- when a screensaver (boxcity.scr, boxcity-saver) ends.
// Whatever started it does not watch the user for it: a running screensaver
// must itself give the desktop back at the first sign of them (a key, a
// button, a touch, which SDL reports as a button). A mouse that merely
// trembles is no such sign, and neither is the first motion event, which may
// only report where the pointer rests (its distance from nowhere): the
// pointer must travel more than a few pixels after it. The travel is summed
// from the relative motion, in the window's pixels: the positions are clamped
// to the picture, and would not change while the pointer moves along a
// letterbox bar.
#include <cstdlib>

#include "app.h"

// ---- constants ----

static const int MOTION_SLACK = 4;     // pixels either way that still count as still

// ---- globals ----

static bool pointerSeen = false;       // the first motion event has come
static int travelX, travelY;           // the pointer's way since then

// ---- functions ----

int saverEvent(SDL_Event *event)
{
    switch (event->type) {
    case SDL_KEYDOWN:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_QUIT:
        return 1;
    case SDL_MOUSEMOTION:
        if (!pointerSeen) {
            pointerSeen = true;
            return 0;
        }
        travelX += event->motion.xrel;
        travelY += event->motion.yrel;
        return std::abs(travelX) > MOTION_SLACK || std::abs(travelY) > MOTION_SLACK;
    default:
        return 0;
    }
}
