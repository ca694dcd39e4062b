// dbus_power.cpp -- whether the machine runs on battery, from UPower's
// OnBattery property on the system bus, kept current by the property's
// change signals. Without a system bus or UPower it is on mains.
#include <systemd/sd-bus.h>

#include "dbus.h"

// ---- constants ----

static const char UPOWER[] = "org.freedesktop.UPower";
static const char UPOWER_PATH[] = "/org/freedesktop/UPower";

// ---- globals ----

static sd_bus *bus;
static sd_bus_slot *changes;
static bool onBattery;

// ---- functions ----

// Read again on every change of UPower's properties, and when UPower
// (re)starts: a missing daemon reads as mains.
static void readOnBattery(void)
{
    int value = 0;
    onBattery = sd_bus_get_property_trivial(bus, UPOWER, UPOWER_PATH, UPOWER, "OnBattery",
                                            nullptr, 'b', &value) >= 0 && value;
}

static int onChanged(sd_bus_message *, void *, sd_bus_error *)
{
    readOnBattery();
    return 0;
}

int powerOpen(void)
{
    if (sd_bus_open_system(&bus) < 0) {
        bus = nullptr;
        return -1;
    }
    if (sd_bus_match_signal(bus, &changes, UPOWER, UPOWER_PATH, "org.freedesktop.DBus.Properties",
                            "PropertiesChanged", onChanged, nullptr) < 0) {
        powerClose();
        return -1;
    }
    readOnBattery();
    return sd_bus_get_fd(bus);
}

bool powerProcess(void)
{
    if (!bus)
        return true;
    int r;
    while ((r = sd_bus_process(bus, nullptr)) > 0) {
    }
    return r >= 0;
}

bool powerOnBattery(void)
{
    return onBattery;
}

void powerClose(void)
{
    sd_bus_slot_unref(changes);
    sd_bus_flush_close_unref(bus);
    changes = nullptr;
    bus = nullptr;
    onBattery = false;
}
