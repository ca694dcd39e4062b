// gnome_bus.cpp -- what the GNOME test does on the session bus. "key" presses and releases the space bar and then moves the pointer, through
// a remote-desktop session, as a person would (the idle time starts over;
// headless Mutter takes the keyboard focus from the window when the session's
// keyboard appears, so the pointer is what the city sees); "idletime" prints
// the idle monitor's idle time in ms; "inhibit SECONDS" stands in for GNOME's
// session manager, holding idle off for that long, as a video player would
// have it do. Status 1 when the bus or Mutter does not answer.
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

#include <systemd/sd-bus.h>

// ---- constants ----

static const char RD[] = "org.gnome.Mutter.RemoteDesktop";
static const char RD_SESSION[] = "org.gnome.Mutter.RemoteDesktop.Session";
static const unsigned KEY_SPACE = 57;   // evdev's code

// ---- functions ----

// The session manager's IsInhibited(flags): every flag is held.
static int isInhibited(sd_bus_message *m, void *, sd_bus_error *)
{
    uint32_t flags = 0;
    if (sd_bus_message_read(m, "u", &flags) < 0)
        return -EINVAL;
    return sd_bus_reply_method_return(m, "b", 1);
}

static const sd_bus_vtable SESSION_MANAGER[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("IsInhibited", "u", "b", isInhibited, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

// Serves IsInhibited for seconds, then gives the name up by leaving the bus.
static int inhibit(sd_bus *bus, double seconds)
{
    if (sd_bus_add_object_vtable(bus, nullptr, "/org/gnome/SessionManager",
                                 "org.gnome.SessionManager", SESSION_MANAGER, nullptr) < 0 ||
        sd_bus_request_name(bus, "org.gnome.SessionManager", 0) < 0)
        return 1;
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        if (sd_bus_process(bus, nullptr) > 0)
            continue;
        sd_bus_wait(bus, 100 * 1000);
    }
    return 0;
}

static bool check(int r, sd_bus_error *error, const char *what)
{
    if (r >= 0)
        return true;
    std::fprintf(stderr, "gnome_bus: %s: %s\n", what, error->message ? error->message : std::strerror(-r));
    return false;
}

int main(int argc, char **argv)
{
    sd_bus *bus = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message *reply = nullptr;
    if (argc < 2 || !check(sd_bus_open_user(&bus), &error, "session bus"))
        return 1;
    if (std::strcmp(argv[1], "inhibit") == 0 && argc == 3)
        return inhibit(bus, std::atof(argv[2]));
    if (std::strcmp(argv[1], "idletime") == 0) {
        uint64_t ms = 0;
        if (!check(sd_bus_call_method(bus, "org.gnome.Mutter.IdleMonitor",
                                      "/org/gnome/Mutter/IdleMonitor/Core",
                                      "org.gnome.Mutter.IdleMonitor", "GetIdletime", &error,
                                      &reply, ""), &error, "GetIdletime") ||
            sd_bus_message_read(reply, "t", &ms) < 0)
            return 1;
        std::printf("%llu\n", (unsigned long long)ms);
        return 0;
    }
    const char *path = nullptr;
    // The session lives as long as this connection.
    if (!check(sd_bus_call_method(bus, RD, "/org/gnome/Mutter/RemoteDesktop", RD, "CreateSession",
                                  &error, &reply, ""), &error, "CreateSession") ||
        sd_bus_message_read(reply, "o", &path) < 0)
        return 1;
    // Mutter hands the events on from a thread of its own: each is given
    // time to arrive before the next, and before the session ends.
    bool ok = check(sd_bus_call_method(bus, RD, path, RD_SESSION, "Start", &error, nullptr, ""),
                    &error, "Start");
    for (int down : {1, 0}) {
        for (double d : {20.0, 20.0, 20.0}) {
        usleep(300 * 1000);
        ok = ok && check(sd_bus_call_method(bus, RD, path, RD_SESSION, "NotifyPointerMotionRelative",
                                            &error, nullptr, "dd", d, d), &error, "pointer");
    }
    usleep(300 * 1000);
        ok = ok && check(sd_bus_call_method(bus, RD, path, RD_SESSION, "NotifyKeyboardKeycode",
                                            &error, nullptr, "ub", KEY_SPACE, down), &error, "key");
    }
    for (double d : {20.0, 20.0, 20.0}) {
        usleep(300 * 1000);
        ok = ok && check(sd_bus_call_method(bus, RD, path, RD_SESSION, "NotifyPointerMotionRelative",
                                            &error, nullptr, "dd", d, d), &error, "pointer");
    }
    usleep(300 * 1000);
    sd_bus_call_method(bus, RD, path, RD_SESSION, "Stop", &error, nullptr, "");
    return ok ? 0 : 1;
}
