// test_events.cpp -- which events stop the program, and that a stop request
// survives the events queued behind it in the same drain.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app.h"

namespace {

SDL_Event event(Uint8 type, SDLKey sym = SDLK_UNKNOWN, int mod = KMOD_NONE)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = (SDLMod)mod;
    }
    return e;
}

int handle(SDL_Event e) { return HandleEvent(&e); }

// A queue that drainEvents takes from in place of SDL's.
std::vector<SDL_Event> queue;
size_t taken;
int polls;

int fakePoll(SDL_Event *e)
{
    polls++;
    if (taken >= queue.size())
        return 0;
    *e = queue[taken++];
    return 1;
}

int drain(std::vector<SDL_Event> events)
{
    queue = std::move(events);
    taken = 0;
    polls = 0;
    SDL_Event e;
    return drainEvents(fakePoll, &e);
}

} // namespace

TEST(Events, EscapeDownStopsWhateverTheModifiers)
{
    const int mods[] = {KMOD_NONE, KMOD_LSHIFT, KMOD_RCTRL, KMOD_LALT, KMOD_RMETA, KMOD_NUM,
                        KMOD_CAPS, KMOD_LSHIFT | KMOD_LCTRL | KMOD_LALT};
    for (int mod : mods)
        EXPECT_EQ(handle(event(SDL_KEYDOWN, SDLK_ESCAPE, mod)), 1) << "modifiers " << mod;
}

TEST(Events, OtherKeysAndKeyUpsAreIgnored)
{
    EXPECT_EQ(handle(event(SDL_KEYUP, SDLK_ESCAPE)), 0) << "Escape key-up";
    for (SDLKey sym : {SDLK_a, SDLK_q, SDLK_RETURN, SDLK_SPACE, SDLK_F1, SDLK_F4, SDLK_TAB,
                       SDLK_LSHIFT, SDLK_UNKNOWN, (SDLKey)26, (SDLKey)28}) {
        EXPECT_EQ(handle(event(SDL_KEYDOWN, sym)), 0) << "key-down " << sym;
        EXPECT_EQ(handle(event(SDL_KEYUP, sym)), 0) << "key-up " << sym;
    }
    // The key decides, not its scan code or character.
    SDL_Event e = event(SDL_KEYDOWN, SDLK_a);
    e.key.keysym.scancode = 9;
    e.key.keysym.unicode = 27;
    EXPECT_EQ(handle(e), 0);
}

TEST(Events, QuitRequestStops)
{
    EXPECT_EQ(handle(event(SDL_QUIT)), 1);
}

TEST(Events, MouseFocusWindowAndUserEventsAreIgnored)
{
    const Uint8 types[] = {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP,
                           SDL_ACTIVEEVENT, SDL_VIDEOEXPOSE, SDL_VIDEORESIZE, SDL_SYSWMEVENT,
                           SDL_JOYBUTTONDOWN, SDL_USEREVENT, SDL_NUMEVENTS - 1, SDL_NOEVENT};
    for (Uint8 type : types) {
        SDL_Event e = event(type);
        // Bytes that would read as Escape if the type were not looked at.
        e.key.keysym.sym = SDLK_ESCAPE;
        e.type = type;
        EXPECT_EQ(handle(e), 0) << "type " << (int)type;
    }
}

TEST(Events, StopRequestSurvivesLaterEventsOfItsDrain)
{
    EXPECT_EQ(drain({event(SDL_KEYDOWN, SDLK_ESCAPE), event(SDL_KEYUP, SDLK_ESCAPE)}), 1)
        << "Escape down, then its own key-up";
    EXPECT_EQ(drain({event(SDL_KEYDOWN, SDLK_ESCAPE), event(SDL_MOUSEMOTION),
                     event(SDL_KEYDOWN, SDLK_a), event(SDL_ACTIVEEVENT)}),
              1);
    EXPECT_EQ(drain({event(SDL_QUIT), event(SDL_VIDEOEXPOSE)}), 1);
    // The drain still takes every event.
    EXPECT_EQ(taken, 2u);
    EXPECT_EQ(polls, 3);
}

TEST(Events, DrainWithoutStopRequestReportsNone)
{
    EXPECT_EQ(drain({}), 0);
    EXPECT_EQ(polls, 1);
    EXPECT_EQ(drain({event(SDL_KEYDOWN, SDLK_a), event(SDL_MOUSEMOTION),
                     event(SDL_KEYUP, SDLK_ESCAPE)}),
              0);
    EXPECT_EQ(taken, 3u);
}

TEST(Events, StopRequestLastInDrainStops)
{
    EXPECT_EQ(drain({event(SDL_MOUSEMOTION), event(SDL_KEYDOWN, SDLK_ESCAPE)}), 1);
    EXPECT_EQ(drain({event(SDL_MOUSEMOTION), event(SDL_QUIT)}), 1);
}
