// saver.h -- boxcity-saver, the screensaver for idle daemons (Wayland and
// X11): the lock that keeps it to one copy per user and display. Its command
// line is saver_args.h.
#pragma once

// ---- functions ----

// Takes the lock of this user's session display: true when it is ours now
// (or there is nowhere to keep one), false when another copy holds it.
bool takeSaverLock(void);
