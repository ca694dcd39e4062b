// frame_count.cpp -- a preload library for the end-to-end tests: counts the
// buffer swaps of the program it is loaded into and keeps the count in the
// file named by BOXCITY_FRAME_FILE, so that a script can wait for a number of
// drawn frames instead of guessing how long they take (under valgrind a frame
// takes seconds, and how many depends on the machine). With BOXCITY_HEAP_FILE
// set it also keeps there, every 100 frames, the bytes the process holds from
// malloc: the long run tells a leak from the allocator's heap creeping.
// A program on SDL 2 (boxcity-saver, over the project's own layer) has its
// frames counted by the swaps of its first window, and with
// BOXCITY_PICTURE_FILE set the picture's size is kept there, from the
// renderer's viewport.
#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

static void countFrame(void);

extern "C" void SDL_GL_SwapWindow(void *window)
{
    static void (*realSwap)(void *);
    static void *first;
    if (!realSwap)
        realSwap = reinterpret_cast<void (*)(void *)>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    if (realSwap)
        realSwap(window);
    if (!first)
        first = window;
    if (window == first)
        countFrame();
}

extern "C" void glViewport(int x, int y, int w, int h)
{
    static void (*realViewport)(int, int, int, int);
    if (!realViewport)
        realViewport = reinterpret_cast<void (*)(int, int, int, int)>(dlsym(RTLD_NEXT, "glViewport"));
    if (realViewport)
        realViewport(x, y, w, h);
    const char *path = std::getenv("BOXCITY_PICTURE_FILE");
    FILE *file = path ? std::fopen(path, "w") : nullptr;
    if (file) {
        std::fprintf(file, "%dx%d\n", w, h);
        std::fclose(file);
    }
}

extern "C" void SDL_GL_SwapBuffers(void)
{
    static void (*realSwap)(void);
    if (!realSwap)
        realSwap = reinterpret_cast<void (*)(void)>(dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers"));
    if (realSwap)
        realSwap();
    countFrame();
}

static void countFrame(void)
{
    static int fd = -2;
    static unsigned long frames;
    frames++;
    if (fd == -2) {
        const char *path = std::getenv("BOXCITY_FRAME_FILE");
        fd = path ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    }
    static int heapFd = -2;
    if (heapFd == -2) {
        const char *path = std::getenv("BOXCITY_HEAP_FILE");
        heapFd = path ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    }
    if (heapFd >= 0 && frames % 100 == 0) {
        struct mallinfo2 info = mallinfo2();
        char line[24];
        int n = std::snprintf(line, sizeof line, "%20zu\n", info.uordblks + info.hblkhd);
        if (pwrite(heapFd, line, (size_t)n, 0) != n)
            heapFd = -1;
    }
    if (fd >= 0) {
        // Fixed width, so a shorter number never leaves digits behind.
        char line[24];
        int n = std::snprintf(line, sizeof line, "%20lu\n", frames);
        if (pwrite(fd, line, (size_t)n, 0) != n)
            fd = -1;
    }
}
