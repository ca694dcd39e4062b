// test_sdl12_events.cpp -- the SDL 1.2 layer's event translation: SDL 2's
// events pushed in, SDL 1.2's polled out.
#include <gtest/gtest.h>

#include "sdl12_local.h"

namespace {

void pushWheel(int y)
{
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = y;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}

// Each turn a press and a release of the wheel's button, as SDL 1.2 had it;
// a sideways turn has no counterpart.
TEST(Sdl12Events, WheelIsButtonsFourAndFive)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
    pushWheel(1);
    pushWheel(0);
    pushWheel(-2);
    const sdl12::Uint8 want[][3] = {
        {sdl12::SDL_MOUSEBUTTONDOWN, sdl12::SDL_BUTTON_WHEELUP, SDL_PRESSED},
        {sdl12::SDL_MOUSEBUTTONUP, sdl12::SDL_BUTTON_WHEELUP, SDL_RELEASED},
        {sdl12::SDL_MOUSEBUTTONDOWN, sdl12::SDL_BUTTON_WHEELDOWN, SDL_PRESSED},
        {sdl12::SDL_MOUSEBUTTONUP, sdl12::SDL_BUTTON_WHEELDOWN, SDL_RELEASED}};
    sdl12::SDL_Event e;
    for (const auto &w : want) {
        ASSERT_EQ(sdl12::SDL_PollEvent(&e), 1);
        EXPECT_EQ(e.button.type, w[0]);
        EXPECT_EQ(e.button.button, w[1]);
        EXPECT_EQ(e.button.state, w[2]);
    }
    EXPECT_EQ(sdl12::SDL_PollEvent(&e), 0);
    SDL_Quit();
}

}  // namespace
