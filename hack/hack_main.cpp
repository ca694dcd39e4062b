// hack_main.cpp -- boxcity as a screensaver hack. A screensaver daemon starts
// this with its own options and the window to draw on; it checks that
// window, sets up the environment in which SDL draws into a window it did
// not create, and runs boxcity (which itself takes no arguments) in its place.
// boxcity is found at ../../bin/boxcity from this program's own path, so an
// installed, unpacked or relocated tree works alike.
#include <X11/Xlib.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hack_args.h"

// ---- globals ----

static bool windowMissing = false;     // set by the probe's error handler

// ---- functions ----

[[noreturn]] static void fail(int status, const std::string &line)
{
    std::fprintf(stderr, "boxcity: %s\n", line.c_str());
    std::exit(status);
}

static int probeError(Display *, XErrorEvent *)
{
    windowMissing = true;
    return 0;
}

// A window id that names no window would leave SDL drawing nowhere; ask the
// server before handing it over.
static void checkWindow(unsigned long window)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        const char *name = std::getenv("DISPLAY");
        fail(1, std::string("cannot open the X display '") + (name ? name : "") + "'");
    }
    XErrorHandler previous = XSetErrorHandler(probeError);
    XWindowAttributes attributes;
    Status found = XGetWindowAttributes(display, (Window)window, &attributes);
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    if (!found || windowMissing) {
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", window);
        fail(1, std::string("there is no window ") + id + " on the display");
    }
}

// ../../bin/boxcity from the folder this program lies in, links resolved.
static std::string boxcityPath()
{
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        fail(1, std::string("cannot find its own path: ") + std::strerror(errno));
    self[n] = '\0';
    std::string dir(self);
    dir.erase(dir.rfind('/') + 1);
    std::string path = dir + "../../bin/boxcity";
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// A setting for boxcity; one not given is not inherited either.
static void handOver(const char *name, const std::string &value)
{
    if (value.empty())
        unsetenv(name);
    else
        setenv(name, value.c_str(), 1);
}

int main(int argc, char *argv[])
{
    HackOptions opts;
    HackParse parsed = parseHackArgs(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), opts);
    if (parsed.status != 0) {
        std::fprintf(stderr, "boxcity: %s\n", parsed.problem.c_str());
        return parsed.status;
    }
    if (opts.help) {
        std::printf("%s\n\nThe boxcity animation as a screensaver: -root draws on the window in\n"
                    "XSCREENSAVER_WINDOW, -window-id ID on window ID, -window in a window of\n"
                    "its own. -resolution: native (the default; at most 1024x768 on a\n"
                    "software renderer) or at most WxH pixels; -max-fps: frames a second\n"
                    "(1..1000, 0 no limit, default 60); -fps: the frame rate over the picture.\n"
                    "Exit status: 2 bad command line, 1 no window to draw on.\n",
                    HACK_USAGE);
        return 0;
    }
    std::string program = boxcityPath();

    if (opts.target == HackTarget::Foreign) {
        checkWindow(opts.window);
        setenv("SDL_WINDOWID", std::to_string(opts.window).c_str(), 1);
        setenv("SDL_VIDEO_FOREIGN_WINDOW_OPENGL", "1", 1);
    } else {
        unsetenv("SDL_WINDOWID");
    }
    // A screensaver must not hold the screensaver off, nor run flat out:
    // boxcity takes the screensaver's defaults, and what was given over them.
    setenv("SDL_VIDEO_ALLOW_SCREENSAVER", "1", 1);
    setenv("SDL12COMPAT_SYNC_TO_VBLANK", "1", 1);
    setenv("BOXCITY_SCREENSAVER", "1", 1);
    handOver("BOXCITY_RESOLUTION", opts.resolution);
    handOver("BOXCITY_MAX_FPS", opts.maxFps);
    handOver("BOXCITY_SHOW_FPS", opts.showFps ? "1" : "");

    char name[] = "boxcity";
    char *args[] = {name, nullptr};
    execv(program.c_str(), args);
    fail(1, "cannot run " + program + ": " + std::strerror(errno));
}
