// web_sdl.cpp -- the two SDL calls of the renderer's drawGLScene. The page
// draws through drawFrame and the browser shows each animation frame itself,
// so neither has anything to do here; a pause would stall the page.
#include <SDL.h>

extern "C" {

void SDL_Delay(Uint32) {}
void SDL_GL_SwapBuffers(void) {}

}
