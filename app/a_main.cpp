// a_main.cpp -- start-up and the frame loop: a full-screen OpenGL mode, the
// fixed GL state, the generated world, then one simulation step and one frame
// per pass until a stop request.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "a_frames.h"
#include "app.h"
#include "render.h"
#include "sim.h"
#include "world.h"

SDL_Surface *surface = NULL;

void Quit(int returnCode)
{
    SDL_Quit();
    exit(returnCode);
}

// Every start-up failure: one line, then exit status 1.
[[noreturn]] static void failLine(const char *line)
{
    fputs(line, stderr);
#ifdef _WIN32
    if (failureBox) {
        SDL_Quit();  // no full-screen window left over the box
        showFailureBox(line);
    }
#endif
    Quit(1);
}

// A failure of SDL's: the line with SDL's reason.
[[noreturn]] static void fail(const char *format)
{
    char line[1200];  // SDL's reasons are shorter than 1024
    snprintf(line, sizeof line, format, SDL_GetError());
    failLine(line);
}

// Where no display can be opened, SDL 2 falls back to a driver that draws
// into memory and shows nothing, and start-up would "succeed" unseen. Unless
// the user asked for such a driver, that is no display at all.
static bool noDisplay()
{
    char name[32];
    if (!SDL_VideoDriverName(name, sizeof name))
        return false;
    if (std::strcmp(name, "offscreen") != 0 && std::strcmp(name, "dummy") != 0)
        return false;
    const char *asked = getenv("SDL_VIDEODRIVER");
    if (asked && *asked)
        return false;
    SDL_SetError("no display found (DISPLAY or WAYLAND_DISPLAY must name one that can be opened)");
    return true;
}

void runCity(void)
{
    int done = 0;
    SDL_Event event;
    FrameSettings frames;

    const std::string refused = readFrameSettings(frames);
    if (!refused.empty())
        failLine((refused + "\n").c_str());
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || noDisplay())
        fail("Video initialization failed: %s\n");
    const SDL_VideoInfo *videoInfo = SDL_GetVideoInfo();
    if (!videoInfo)
        fail("Video query failed: %s\n");

    int videoFlags = SDL_OPENGL | SDL_HWSURFACE | SDL_ASYNCBLIT | SDL_HWPALETTE | SDL_FULLSCREEN;
    if (videoInfo->blit_hw)
        videoFlags |= SDL_HWACCEL;

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (frames.vsync)
        SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 1);
    // Sized to its area, the picture is drawn at the pixels it fills; on a
    // software renderer first within the budget, and larger only once the
    // context shows a GPU.
    int width = 1024, height = 768, areaW = 0, areaH = 0;
    if (frames.sized) {
        pictureArea(videoInfo->current_w, videoInfo->current_h, areaW, areaH);
        pictureSize(frames.budgeted ? SOFTWARE_BUDGET : frames.resolution, areaW,
                    areaH, width, height);
    }
    surface = SDL_SetVideoMode(width, height, 16, (Uint32)videoFlags);
    if (!surface)
        fail("Video mode set failed: %s\n");
    if (frames.budgeted && !softwareRenderer()) {
        int fullW, fullH;
        pictureSize(frames.resolution, areaW, areaH, fullW, fullH);
        if (fullW != width || fullH != height) {
            width = fullW;
            height = fullH;
            surface = SDL_SetVideoMode(width, height, 16, (Uint32)videoFlags);
            if (!surface)
                fail("Video mode set failed: %s\n");
        }
    }
    if (SDL_EnableKeyRepeat(100, 30) != 0)
        fail("Setting keyboard repeat failed: %s\n");

    watchWindow();
    setPictureSize(width, height);
    initGL();
    initme();
    SDL_ShowCursor(SDL_DISABLE);

    // The pass that takes a stop request still computes and draws its frame.
    while (!done && !windowLost()) {
        done = drainEvents(SDL_PollEvent, &event);
        calcme();
        // Plain boxcity keeps the renderer's own frame (draw, 6 ms, swap); a
        // limit or the overlay goes between the drawing and the swap.
        if (!frames.paced && !frames.showFps) {
            drawGLScene();
            continue;
        }
        drawFrame();
        if (frames.showFps)
            drawFpsOverlay(width, height);
        if (frames.paced)
            waitForFrame(frames.maxFps);
        else
            SDL_Delay(6);
        SDL_GL_SwapBuffers();
    }
    Quit(0);
}
