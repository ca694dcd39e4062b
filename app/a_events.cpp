// a_events.cpp -- input: the only events heeded are requests to stop.
#include "app.h"

// ---- globals ----

int (*eventHandler)(SDL_Event *event) = HandleEvent;

// ---- functions ----

int HandleEvent(SDL_Event *event)
{
    int done = 0;
    switch (event->type) {
    case SDL_KEYDOWN:
        // Modifiers don't matter: Shift+Escape stops too.
        if (event->key.keysym.sym == SDLK_ESCAPE)
            done = 1;
        break;
    case SDL_QUIT:
        done = 1;
        break;
    default:
        break;
    }
    return done;
}

// A stop request must survive the events queued behind it in the same
// drain (the Escape key's own key-up, a mouse motion).
int drainEvents(int (*poll)(SDL_Event *), SDL_Event *event)
{
    int stop = 0;
    while (poll(event))
        if (eventHandler(event))
            stop = 1;
    return stop;
}
