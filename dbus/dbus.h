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

// ---- battery (dbus_power.cpp) ----
// Watches UPower's OnBattery on the system bus (DBUS_SYSTEM_BUS_ADDRESS, or
// the usual one). The bus's descriptor to wait on for news, or -1 with no
// system bus (then always on mains).
int powerOpen(void);
// Takes in what the bus has sent; call before every wait. False: bus lost.
bool powerProcess(void);
bool powerOnBattery(void);            // UPower says the machine runs on battery
void powerClose(void);
