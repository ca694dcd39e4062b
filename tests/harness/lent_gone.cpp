// lent_gone.cpp -- a preload library for the end-to-end tests: destroys the
// window lent through SDL_WINDOWID in the middle of a frame (at the
// renderer's BOXCITY_GONE_AT-th glLoadIdentity, before that frame's swap),
// the moment a check at the swap must catch. A swap asked of SDL after that is
// reported on stderr and ends the process with status 86: nothing may be
// drawn into a window that is gone.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

static bool destroyed = false;

extern "C" void glLoadIdentity(void)
{
    static void (*real)(void) = reinterpret_cast<void (*)(void)>(dlsym(RTLD_NEXT, "glLoadIdentity"));
    // The renderer calls it in every frame, never during a swap.
    static long calls = 0;
    const char *at = std::getenv("BOXCITY_GONE_AT");
    if (!destroyed && at && ++calls == std::atol(at)) {
        const char *id = std::getenv("SDL_WINDOWID");
        Display *display = XOpenDisplay(nullptr);
        if (id && display) {
            XDestroyWindow(display, (Window)std::strtoul(id, nullptr, 0));
            XSync(display, False);
            destroyed = true;
        }
        if (display)
            XCloseDisplay(display);
    }
    real();
}

extern "C" void SDL_GL_SwapWindow(void *window)
{
    static void (*real)(void *) = reinterpret_cast<void (*)(void *)>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    if (destroyed) {
        static const char line[] = "lent_gone: a frame swapped into the destroyed window\n";
        if (write(2, line, sizeof line - 1) < 0) {}
        _exit(86);
    }
    real(window);
}
