// saver_main.cpp -- boxcity-saver, the screensaver that an idle daemon runs
// (swayidle, xss-lock, xautolock, a desktop's own idle settings): the city
// full screen on every output, the same picture on each, until the user comes
// back. It is boxcity's own start-up and frame loop over the project's SDL 1.2
// layer on SDL 2, whose Wayland and X11 back ends it uses; only the rules for
// ending differ, the screensavers' shared ones. With --idle it waits for
// idle itself (saver_idle.cpp); --autostart has it do so at every login.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "app.h"
#include "cmdline.h"
#include "saver.h"
#include "saver_args.h"

// ---- functions ----

// A setting given on the command line, over the environment's.
static void giveSetting(const char *name, const std::string &value)
{
    if (!value.empty())
        setenv(name, value.c_str(), 1);
}

// SDL turns SIGTERM into a quit request that the frame loop reads; a hang-up
// (what some daemons send on resume) is made the same. kill is safe in a
// signal handler.
static void onHangUp(int)
{
    kill(getpid(), SIGTERM);
}

extern "C" int SDL_main(int argc, char *argv[])
{
    SaverOptions opts;
    const std::string problem = parseSaverArgs(argc, argv, opts);
    if (!problem.empty()) {
        std::fprintf(stderr, "boxcity-saver: %s (--help for the options)\n", problem.c_str());
        return 2;
    }
    if (opts.help)
        return printOut("boxcity-saver", SAVER_HELP);
    if (opts.version)
        return printVersion("boxcity-saver", BOXCITY_VERSION);
    if (opts.autostart || opts.noAutostart)
        return saverAutostart(opts, saverProgram().c_str());
    giveSetting("BOXCITY_RESOLUTION", opts.resolution);
    giveSetting("BOXCITY_MAX_FPS", opts.maxFps);
    giveSetting("BOXCITY_SHOW_FPS", opts.showFps ? "1" : "");
    if (opts.idle > 0)
        return watchIdle(opts);
    if (!takeSaverLock(""))
        return 0;   // already showing

    // SDL keeps the session awake while it shows a window (on Wayland through
    // the idle-inhibit protocol); the daemon's later steps (outputs off, the
    // lock screen) would then never come.
    setenv("SDL_VIDEO_ALLOW_SCREENSAVER", "1", 1);
    // SDL 2 tries X11 first, which on a Wayland desktop is Xwayland: no
    // place on each output of its own, and its scale guessed. With neither
    // display named, SDL's Wayland library would complain in a line of its
    // own before SDL's.
    const char *wayland = getenv("WAYLAND_DISPLAY");
    const char *x11 = getenv("DISPLAY");
    const char *driver = getenv("SDL_VIDEODRIVER");
    if (!(driver && *driver)) {
        if (!(wayland && *wayland) && !(x11 && *x11)) {
            std::fputs("Video initialization failed: no display found (DISPLAY or "
                       "WAYLAND_DISPLAY must name one that can be opened)\n", stderr);
            return 1;
        }
        if (wayland && *wayland)
            setenv("SDL_VIDEODRIVER", "wayland,x11", 1);
    }
    struct sigaction hangUp = {};
    hangUp.sa_handler = onHangUp;
    sigemptyset(&hangUp.sa_mask);
    sigaction(SIGHUP, &hangUp, nullptr);

    SDL12_CoverEveryDisplay(1);
    useSaverDefaults();    // the display's pixels, at most 60 frames a second
    eventHandler = saverEvent;
    runCity();
}

int main(int argc, char *argv[])
{
    return SDL_main(argc, argv);
}
