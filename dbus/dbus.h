// dbus.h -- what the programs ask of the desktop over the session bus.
#pragma once

// ---- functions ----

// ---- GNOME's idle time (dbus_idle.cpp) ----
// Asks GNOME's compositor, on the session bus, to tell when the session has
// had no input for timeoutMs, and when it has again. False: no session bus,
// or no idle monitor on it (mutterIdleLookedFor names what was looked for).
bool mutterIdleOpen(unsigned timeoutMs);
extern const char mutterIdleLookedFor[];
// Waits up to timeoutMs (-1: no limit) for the bus's news or for stopFd to
// become readable. 1 stopFd readable, 0 news or the time up, -1 bus lost.
int mutterIdleWait(int stopFd, int timeoutMs);
bool mutterIdleNow(void);             // idle for the timeout, no input since
unsigned mutterIdleResumes(void);     // how often input ended an idle period
// GNOME's session holds idle off for a program (a video playing); false
// where no GNOME session answers.
bool gnomeIdleInhibited(void);
void mutterIdleClose(void);
