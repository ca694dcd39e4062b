// frame_count.cpp -- a preload library for the end-to-end tests: counts the
// buffer swaps of the program it is loaded into and keeps the count in the
// file named by BOXCITY_FRAME_FILE, so that a script can wait for a number of
// drawn frames instead of guessing how long they take (under valgrind a frame
// takes seconds, and how many depends on the machine).
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

extern "C" void SDL_GL_SwapBuffers(void)
{
    static void (*realSwap)(void);
    static int fd = -2;
    static unsigned long frames;
    if (!realSwap)
        realSwap = reinterpret_cast<void (*)(void)>(dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers"));
    if (fd == -2) {
        const char *path = std::getenv("BOXCITY_FRAME_FILE");
        fd = path ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    }
    if (realSwap)
        realSwap();
    frames++;
    if (fd >= 0) {
        // Fixed width, so a shorter number never leaves digits behind.
        char line[24];
        int n = std::snprintf(line, sizeof line, "%20lu\n", frames);
        if (pwrite(fd, line, (size_t)n, 0) != n)
            fd = -1;
    }
}
