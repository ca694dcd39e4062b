// win_scr_input.cpp -- when boxcity.scr ends. On Windows no daemon watches
// the user: a running screensaver must itself give the desktop back at the
// first sign of them. A mouse that merely trembles, or the motion event that
// only reports where the pointer rests, is no such sign: the first position
// seen is the reference, and only a move away from it counts.
#include <cstdlib>

#include "win_scr.h"

// ---- constants ----

static const int MOTION_SLACK = 4;     // pixels either way that still count as still

// ---- globals ----

static bool pointerSeen = false;       // the reference position is known
static int pointerX, pointerY;         // where the pointer was first seen

// ---- functions ----

int scrSaverEvent(SDL_Event *event)
{
    switch (event->type) {
    case SDL_KEYDOWN:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_QUIT:
        return 1;
    case SDL_MOUSEMOTION:
        if (!pointerSeen) {
            pointerSeen = true;
            pointerX = event->motion.x;
            pointerY = event->motion.y;
            return 0;
        }
        return std::abs(event->motion.x - pointerX) > MOTION_SLACK ||
               std::abs(event->motion.y - pointerY) > MOTION_SLACK;
    default:
        return 0;
    }
}

int scrPreviewEvent(SDL_Event *event)
{
    return event->type == SDL_QUIT;
}
