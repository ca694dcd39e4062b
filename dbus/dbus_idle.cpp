// dbus_idle.cpp -- GNOME's idle time. Mutter offers no Wayland idle protocol;
// its idle monitor on the session bus fires an idle watch each time the
// session has been without input for the watch's interval, and a user-active
// watch (once) at the next input. Programs that ask GNOME to hold idle off
// (a video playing) do so through the session manager, not the monitor, so
// that is asked separately.
#include <poll.h>

#include <cstdarg>
#include <cstdint>
#include <ctime>

#include <systemd/sd-bus.h>

#include "dbus.h"

// ---- constants ----

const char mutterIdleLookedFor[] = "org.gnome.Mutter.IdleMonitor on the session bus";
static const char MONITOR[] = "org.gnome.Mutter.IdleMonitor";
static const char MONITOR_PATH[] = "/org/gnome/Mutter/IdleMonitor/Core";
static const uint32_t INHIBIT_IDLE = 8;   // the session manager's flag for idle

// ---- globals ----

static sd_bus *bus;
static sd_bus_slot *fired;
static uint32_t idleWatch, activeWatch;
static uint64_t timeout;              // ms
static bool idle, wantActiveWatch;
static unsigned resumes;

// ---- functions ----

static int onWatchFired(sd_bus_message *m, void *, sd_bus_error *)
{
    uint32_t id = 0;
    if (sd_bus_message_read(m, "u", &id) < 0)
        return 0;
    if (id == idleWatch && idleWatch != 0) {
        idle = true;
        wantActiveWatch = true;   // added outside the callback
    } else if (id == activeWatch && activeWatch != 0) {
        idle = false;
        resumes++;
        activeWatch = 0;
    }
    return 0;
}

static bool call(const char *method, sd_bus_message **reply, const char *types, ...)
{
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message *m = nullptr;
    int r = sd_bus_message_new_method_call(bus, &m, MONITOR, MONITOR_PATH, MONITOR, method);
    if (r >= 0 && types) {
        va_list ap;
        va_start(ap, types);
        r = sd_bus_message_appendv(m, types, ap);
        va_end(ap);
    }
    if (r >= 0)
        r = sd_bus_call(bus, m, 0, &error, reply);
    sd_bus_message_unref(m);
    sd_bus_error_free(&error);
    return r >= 0;
}

static bool readWatch(sd_bus_message *reply, uint32_t &id)
{
    const bool ok = sd_bus_message_read(reply, "u", &id) >= 0 && id != 0;
    sd_bus_message_unref(reply);
    return ok;
}

// The user-active watch, after the idle watch fired: input that came before
// it was added would not fire it, so the idle time is read after.
static int armActiveWatch(void)
{
    wantActiveWatch = false;
    sd_bus_message *reply = nullptr;
    if (!call("AddUserActiveWatch", &reply, nullptr) || !readWatch(reply, activeWatch))
        return -1;
    uint64_t idleMs = 0;
    if (!call("GetIdletime", &reply, nullptr))
        return -1;
    const bool read = sd_bus_message_read(reply, "t", &idleMs) >= 0;
    sd_bus_message_unref(reply);
    if (!read)
        return -1;
    if (idleMs < timeout) {
        idle = false;
        resumes++;
        call("RemoveWatch", nullptr, "u", activeWatch);
        activeWatch = 0;
    }
    return 0;
}

bool mutterIdleOpen(unsigned timeoutMs)
{
    timeout = timeoutMs;
    if (sd_bus_open_user(&bus) < 0) {
        bus = nullptr;
        return false;
    }
    sd_bus_message *reply = nullptr;
    if (sd_bus_match_signal(bus, &fired, nullptr, MONITOR_PATH, MONITOR, "WatchFired",
                            onWatchFired, nullptr) < 0 ||
        !call("AddIdleWatch", &reply, "t", (uint64_t)timeoutMs) || !readWatch(reply, idleWatch)) {
        mutterIdleClose();
        return false;
    }
    // A watch added once the session has been idle that long fires only
    // after the next input: idle already, then.
    uint64_t idleMs = 0;
    if (call("GetIdletime", &reply, nullptr)) {
        if (sd_bus_message_read(reply, "t", &idleMs) >= 0 && idleMs >= timeout)
            idle = wantActiveWatch = true;
        sd_bus_message_unref(reply);
    }
    return true;
}

int mutterIdleWait(int stopFd, int timeoutMs)
{
    int r;
    while ((r = sd_bus_process(bus, nullptr)) > 0) {
    }
    if (r < 0 || (wantActiveWatch && armActiveWatch() < 0))
        return -1;
    uint64_t busUsec = UINT64_MAX;
    sd_bus_get_timeout(bus, &busUsec);
    int wait = timeoutMs;
    if (busUsec != UINT64_MAX) {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        const uint64_t now = (uint64_t)ts.tv_sec * 1000000u + (uint64_t)ts.tv_nsec / 1000u;
        const int busMs = busUsec > now ? (int)((busUsec - now + 999) / 1000) : 0;
        if (wait < 0 || busMs < wait)
            wait = busMs;
    }
    pollfd fds[2] = {{sd_bus_get_fd(bus), (short)sd_bus_get_events(bus), 0}, {stopFd, POLLIN, 0}};
    const int n = poll(fds, 2, wait);
    while ((r = sd_bus_process(bus, nullptr)) > 0) {
    }
    if (r < 0 || (wantActiveWatch && armActiveWatch() < 0))
        return -1;
    return n > 0 && fds[1].revents ? 1 : 0;
}

bool mutterIdleNow(void)
{
    return idle;
}

unsigned mutterIdleResumes(void)
{
    return resumes;
}

bool gnomeIdleInhibited(void)
{
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message *reply = nullptr;
    int inhibited = 0;
    if (sd_bus_call_method(bus, "org.gnome.SessionManager", "/org/gnome/SessionManager",
                           "org.gnome.SessionManager", "IsInhibited", &error, &reply, "u",
                           INHIBIT_IDLE) >= 0)
        sd_bus_message_read(reply, "b", &inhibited);
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return inhibited != 0;
}

void mutterIdleClose(void)
{
    sd_bus_slot_unref(fired);
    sd_bus_flush_close_unref(bus);
    fired = nullptr;
    bus = nullptr;
    idleWatch = activeWatch = 0;
    idle = wantActiveWatch = false;
}
