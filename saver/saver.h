// saver.h -- boxcity-saver, the screensaver for idle daemons (Wayland and
// X11): the lock that keeps it to one copy per user and display, the watch
// that shows the city on idle itself, and the login entry that starts the
// watch. Its command line is saver_args.h.
#pragma once

#include <string>

struct SaverOptions;

// ---- functions ----

// Takes the lock of this user's session display for what (the city, or the
// idle watch): true when it is ours now (or there is nowhere to keep one),
// false when another copy holds it.
bool takeSaverLock(const char *what);
// Runs the idle watch of --idle until SIGTERM or SIGHUP (status 0), showing
// the city through a copy of this program each time the session has been idle
// for the options' wait. Status 1 when the session offers no idle time.
int watchIdle(const SaverOptions &opts);
// Writes (or with --no-autostart removes) the login entry; the exit status.
int saverAutostart(const SaverOptions &opts, const char *program);
// This program's own path, for the copies and the entry.
std::string saverProgram(void);
