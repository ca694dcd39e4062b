// gnome_bus.cpp -- what the GNOME test does on the session bus. "key": the
// space bar, then the pointer moved, through a Mutter remote-desktop session,
// as a person would (headless Mutter moves the keyboard focus away from the
// window as the session's keyboard appears: the pointer is what the city
// sees). "idletime": Mutter's idle time in ms. "inhibit SECONDS": a stand-in
// for GNOME's session manager holding idle off, as for a video playing.
// Status 1 when the bus or Mutter does not answer.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include <systemd/sd-bus.h>

// ---- constants ----

static const char RD[] = "org.gnome.Mutter.RemoteDesktop";
static const char RD_SESSION[] = "org.gnome.Mutter.RemoteDesktop.Session";
static const unsigned KEY_SPACE = 57;   // evdev's code

// ---- globals ----

static sd_bus *bus;
static sd_bus_error error = SD_BUS_ERROR_NULL;

// ---- functions ----

static bool check(int r, const char *what)
{
    if (r < 0)
        std::fprintf(stderr, "gnome_bus: %s: %s\n", what, error.message ? error.message : std::strerror(-r));
    return r >= 0;
}

static int isInhibited(sd_bus_message *m, void *, sd_bus_error *)
{
    return sd_bus_reply_method_return(m, "b", 1);
}

static const sd_bus_vtable SESSION_MANAGER[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("IsInhibited", "u", "b", isInhibited, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

int main(int argc, char **argv)
{
    sd_bus_message *reply = nullptr;
    if (argc < 2 || !check(sd_bus_open_user(&bus), "session bus"))
        return 1;
    if (std::strcmp(argv[1], "inhibit") == 0 && argc == 3) {
        if (!check(sd_bus_add_object_vtable(bus, nullptr, "/org/gnome/SessionManager",
                                            "org.gnome.SessionManager", SESSION_MANAGER, nullptr),
                   "vtable") ||
            !check(sd_bus_request_name(bus, "org.gnome.SessionManager", 0), "name"))
            return 1;
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(std::atof(argv[2]));
        while (std::chrono::steady_clock::now() < end)
            if (sd_bus_process(bus, nullptr) == 0)
                sd_bus_wait(bus, 100 * 1000);
        return 0;
    }
    if (std::strcmp(argv[1], "idletime") == 0) {
        uint64_t ms = 0;
        if (!check(sd_bus_call_method(bus, "org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                                      "org.gnome.Mutter.IdleMonitor", "GetIdletime", &error, &reply, ""),
                   "GetIdletime") || sd_bus_message_read(reply, "t", &ms) < 0)
            return 1;
        std::printf("%llu\n", (unsigned long long)ms);
        return 0;
    }
    // The session lives as long as this connection. Mutter hands each event
    // on from a thread of its own: each is given time to arrive.
    const char *path = nullptr;
    if (!check(sd_bus_call_method(bus, RD, "/org/gnome/Mutter/RemoteDesktop", RD, "CreateSession", &error,
                                  &reply, ""), "CreateSession") ||
        sd_bus_message_read(reply, "o", &path) < 0 ||
        !check(sd_bus_call_method(bus, RD, path, RD_SESSION, "Start", &error, nullptr, ""), "Start"))
        return 1;
    bool ok = true;
    for (int step = 0; step < 5 && ok; step++) {
        usleep(150 * 1000);
        ok = step < 2 ? check(sd_bus_call_method(bus, RD, path, RD_SESSION, "NotifyKeyboardKeycode", &error,
                                                 nullptr, "ub", KEY_SPACE, step == 0), "key")
                      : check(sd_bus_call_method(bus, RD, path, RD_SESSION, "NotifyPointerMotionRelative",
                                                 &error, nullptr, "dd", 20.0, 20.0), "pointer");
    }
    usleep(150 * 1000);
    sd_bus_call_method(bus, RD, path, RD_SESSION, "Stop", &error, nullptr, "");
    return ok ? 0 : 1;
}
