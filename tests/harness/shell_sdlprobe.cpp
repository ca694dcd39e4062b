// shell_sdlprobe.cpp -- prints the text SDL gives when a start-up step fails
// in the current environment, so that the program's failure lines can be
// checked word for word. "init": SDL_Init; "mode": the full-screen OpenGL
// video mode. Exit status 3 when the step does not fail.
#include <SDL.h>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    if (argc != 2 || (std::strcmp(argv[1], "init") && std::strcmp(argv[1], "mode"))) {
        std::fprintf(stderr, "usage: shell_sdlprobe init|mode\n");
        return 2;
    }
    bool init = std::strcmp(argv[1], "init") == 0;
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::printf("%s", SDL_GetError());
        SDL_Quit();
        return init ? 0 : 3;
    }
    if (init) {
        SDL_Quit();
        return 3;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    Uint32 flags = SDL_OPENGL | SDL_HWSURFACE | SDL_ASYNCBLIT | SDL_HWPALETTE | SDL_FULLSCREEN;
    int status = 3;
    if (!SDL_SetVideoMode(1024, 768, 16, flags)) {
        std::printf("%s", SDL_GetError());
        status = 0;
    }
    SDL_Quit();
    return status;
}
