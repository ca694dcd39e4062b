// a_main.cpp -- start-up and the frame loop: a full-screen OpenGL mode, the
// fixed GL state, the generated world, then one simulation step and one frame
// per pass until a stop request.
#include <cstdio>
#include <cstdlib>

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

// Every start-up failure: one line with SDL's reason, then exit status 1.
[[noreturn]] static void fail(const char *format)
{
    fprintf(stderr, format, SDL_GetError());
    Quit(1);
}

extern "C" int SDL_main(int argc, char *argv[])
{
    (void)argc;
    (void)argv;
    int done = 0;
    SDL_Event event;

    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        fail("Video initialization failed: %s\n");
    const SDL_VideoInfo *videoInfo = SDL_GetVideoInfo();
    if (!videoInfo)
        fail("Video query failed: %s\n");

    int videoFlags = SDL_OPENGL | SDL_HWSURFACE | SDL_ASYNCBLIT | SDL_HWPALETTE | SDL_FULLSCREEN;
    if (videoInfo->blit_hw)
        videoFlags |= SDL_HWACCEL;

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    surface = SDL_SetVideoMode(1024, 768, 16, (Uint32)videoFlags);
    if (!surface)
        fail("Video mode set failed: %s\n");
    if (SDL_EnableKeyRepeat(100, 30) != 0)
        fail("Setting keyboard repeat failed: %s\n");

    watchWindow();
    initGL();
    initme();
    SDL_ShowCursor(SDL_DISABLE);

    // The pass that takes a stop request still computes and draws its frame.
    while (!done && !windowLost()) {
        done = drainEvents(SDL_PollEvent, &event);
        calcme();
        drawGLScene();
    }
    Quit(0);
}
