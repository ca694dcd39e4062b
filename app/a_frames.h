// a_frames.h -- the shell's frame settings: how many pixels the picture is
// drawn with and how fast frames come, from the environment over the front
// end's defaults (plain boxcity: the 1024x768 mode and the 6 ms pause;
// screensavers: the display's pixels and at most 60 frames a second).
#pragma once

#include <string>

#include "settings.h"

// ---- constants ----

// What a software renderer draws at most, unless a resolution is given.
static const Resolution SOFTWARE_BUDGET = {false, 1024, 768};

// ---- types ----

struct FrameSettings {
    bool sized = false;         // drawn at the size of its area, not in the 1024x768 mode
    bool budgeted = false;      // ... no larger than 1024x768 on a software renderer
    Resolution resolution;      // the most pixels, when sized
    bool paced = false;         // frames limited to maxFps, not the 6 ms pause
    int maxFps = 0;             // 0: no limit
    bool vsync = false;         // ask the driver to wait for the display
    bool showFps = false;       // the frame rate drawn over the picture
};

// ---- functions ----

// The settings for this run; "" or the problem in one line naming the value.
std::string readFrameSettings(FrameSettings &settings);
// The pixels the picture fills: the lent window's, else the desktop's.
void pictureArea(int desktopW, int desktopH, int &w, int &h);
// The size of the window in SDL_WINDOWID; false when there is none (platform).
bool lentWindowSize(int &w, int &h);
// Whether the current OpenGL context draws on the CPU.
bool softwareRenderer(void);
// Sleeps until the next frame of at most maxFps a second is due.
void waitForFrame(int maxFps);
// The frames per second, counted here, drawn in a corner of the picture.
void drawFpsOverlay(int pictureW, int pictureH);
