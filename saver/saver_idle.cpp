// saver_idle.cpp -- boxcity-saver --idle: the program waits for idle itself,
// where a desktop has no idle daemon to run it (GNOME, KDE Plasma) or the
// user would rather not set one up. It never opens a window of its own: each
// time the session has been idle long enough it runs a copy of itself
// without --idle (the city, which ends on input as always), then waits for
// the user to come back before the next idle period counts. The idle time
// comes from whichever source the session offers, asked in turn: the Wayland
// idle protocols, GNOME's idle monitor on the session bus (which also serves
// GNOME on X11), the X server's own idle time.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dbus.h"
#include "saver.h"
#include "saver_args.h"
#include "wayland.h"

// ---- constants ----

static const int INHIBIT_POLL_MS = 1000;   // how often a held-off idle asks again
static const int STOP_GRACE_MS = 5000;     // the city's time to end on SIGTERM

// ---- types ----

// One source of the session's idle time. wait blocks for news, the stop
// descriptor or timeoutMs; idleNow says whether the session has been idle
// for the wait since the last input; resumes counts the idle periods that
// input ended. inhibited is for a source whose idle comes even while a
// program holds it off (null where the source sees to it).
struct IdleSource {
    const char *name;
    int (*wait)(int stopFd, int timeoutMs);
    bool (*idleNow)(void);
    unsigned (*resumes)(void);
    bool (*inhibited)(void);
};

enum class Phase {
    Waiting,                           // for the session to be idle long enough
    Showing,                           // the city runs
    Shown,                             // the city ended by itself; waiting for input
};

// ---- globals ----

static int stopPipe[2] = {-1, -1};
static volatile sig_atomic_t stopAsked = 0;
static Display *xDisplay;
static XScreenSaverInfo *xInfo;
static unsigned long xWaitMs;
static bool xIdle;
static unsigned long xLastMs;
static unsigned xResumes;

// ---- functions ----

// Signals only set a flag and wake the loop; the loop does the work.
static void onSignal(int signal)
{
    const int saved = errno;
    if (signal != SIGCHLD)
        stopAsked = 1;
    const char byte = 0;
    (void)!write(stopPipe[1], &byte, 1);
    errno = saved;
}

static bool xIdleOpen(unsigned long waitMs)
{
    int event = 0, error = 0;
    xDisplay = XOpenDisplay(nullptr);
    if (!xDisplay)
        return false;
    if (!XScreenSaverQueryExtension(xDisplay, &event, &error) || !(xInfo = XScreenSaverAllocInfo())) {
        XCloseDisplay(xDisplay);
        xDisplay = nullptr;
        return false;
    }
    xWaitMs = waitMs;
    return true;
}

// The server's idle time; one that went down means input came between.
static unsigned long xIdleMs(void)
{
    XScreenSaverQueryInfo(xDisplay, DefaultRootWindow(xDisplay), xInfo);
    if (xInfo->idle < xLastMs)
        xResumes++;
    xLastMs = xInfo->idle;
    return xInfo->idle;
}

// The server tells nothing of idle time by itself: it is read again when it
// may have reached the wait, and twice a second once reached (for input).
static int xIdleWait(int stopFd, int timeoutMs)
{
    unsigned long idleMs = xIdleMs();
    long next = idleMs >= xWaitMs ? 500 : (long)(xWaitMs - idleMs) + 10;
    if (timeoutMs >= 0 && timeoutMs < next)
        next = timeoutMs;
    pollfd fd = {stopFd, POLLIN, 0};
    const int n = poll(&fd, 1, (int)next);
    xIdle = xIdleMs() >= xWaitMs;
    return n > 0 ? 1 : 0;
}

static bool xIdleNow(void)
{
    return xIdle;
}

static unsigned xIdleResumes(void)
{
    return xResumes;
}

// The first source the session offers, or one line naming what was looked for.
static bool openSource(long seconds, IdleSource &source, std::string &lookedFor)
{
    const unsigned waitMs = (unsigned)(seconds * 1000);
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    const char *x11 = std::getenv("DISPLAY");
    if (wayland && *wayland) {
        if (const char *protocol = wlIdleOpen(waitMs)) {
            source = {protocol, wlIdleWait, wlIdleNow, wlIdleResumes, nullptr};
            return true;
        }
        lookedFor += std::string(wlIdleLookedFor) + " on Wayland display '" + wayland + "', ";
    }
    if (mutterIdleOpen(waitMs)) {
        source = {"org.gnome.Mutter.IdleMonitor", mutterIdleWait, mutterIdleNow, mutterIdleResumes,
                  gnomeIdleInhibited};
        return true;
    }
    lookedFor += mutterIdleLookedFor;
    if (x11 && *x11) {
        if (xIdleOpen(waitMs)) {
            source = {"MIT-SCREEN-SAVER", xIdleWait, xIdleNow, xIdleResumes, nullptr};
            return true;
        }
        lookedFor += std::string(", MIT-SCREEN-SAVER on X display '") + x11 + "'";
    }
    return false;
}

// The city: this program again, without --idle; the display settings went
// into the environment before.
static pid_t showCity(const std::string &program)
{
    const pid_t child = fork();
    if (child == 0) {
        char name[] = "boxcity-saver";
        char *args[] = {name, nullptr};
        execv(program.c_str(), args);
        std::fprintf(stderr, "boxcity-saver: cannot run %s: %s\n", program.c_str(),
                     std::strerror(errno));
        _exit(1);
    }
    if (child < 0)
        std::fprintf(stderr, "boxcity-saver: cannot start the city: %s\n", std::strerror(errno));
    return child;
}

// SIGTERM, as an idle daemon would send; SIGKILL if it does not end in time.
static void stopCity(pid_t child)
{
    if (child <= 0)
        return;
    kill(child, SIGTERM);
    for (int waited = 0; waited < STOP_GRACE_MS; waited += 50) {
        if (waitpid(child, nullptr, WNOHANG) != 0)
            return;
        usleep(50 * 1000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

static double secondsNow(void)
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int watchIdle(const SaverOptions &opts)
{
    if (!takeSaverLock("-idle"))
        return 0;   // already watching this display
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "boxcity-saver: %s\n", std::strerror(errno));
        return 1;
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGHUP, SIGINT, SIGCHLD})
        sigaction(signal, &action, nullptr);

    IdleSource source;
    std::string lookedFor;
    if (!openSource(opts.idle, source, lookedFor)) {
        std::fprintf(stderr, "boxcity-saver: the session offers no idle time (looked for %s)\n",
                     lookedFor.c_str());
        return 1;
    }
    const std::string program = saverProgram();
    Phase phase = Phase::Waiting;
    pid_t child = 0;
    unsigned resumesShown = 0;         // the source's count when the city began
    bool heldOff = false;              // idle came while a program held it off
    double freeSince = -1;             // when it was seen no longer held off
    // The session may be idle long enough already: looked at before waiting.
    for (bool first = true;; first = false) {
        const int woken = first ? 0 : source.wait(stopPipe[0], heldOff ? INHIBIT_POLL_MS : -1);
        char bytes[64];
        while (read(stopPipe[0], bytes, sizeof bytes) > 0) {
        }
        if (stopAsked) {
            stopCity(child);
            return 0;
        }
        if (woken < 0) {
            std::fprintf(stderr, "boxcity-saver: lost the session's idle time (%s)\n", source.name);
            stopCity(child);
            return 1;
        }
        if (phase == Phase::Showing && waitpid(child, nullptr, WNOHANG) == child) {
            child = 0;
            phase = Phase::Shown;
        }
        // Input since the city began starts the next idle period, which may
        // be over already when the city was slow to end. A city that ended
        // without input waits for some, rather than starting again at once.
        if (phase == Phase::Shown && source.resumes() != resumesShown)
            phase = Phase::Waiting;
        if (phase != Phase::Waiting)
            continue;
        if (!source.idleNow()) {
            heldOff = false;
        } else if (source.inhibited && source.inhibited()) {
            heldOff = true;
            freeSince = -1;
        } else if (heldOff && freeSince < 0) {
            freeSince = secondsNow();   // the idle period starts again, now nothing holds it off
        } else if (!heldOff || secondsNow() - freeSince >= (double)opts.idle) {
            heldOff = false;
            child = showCity(program);
            resumesShown = source.resumes();
            if (child > 0)
                phase = Phase::Showing;
        }
    }
}
