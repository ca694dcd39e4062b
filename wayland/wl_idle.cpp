// wl_idle.cpp -- the session's idle time from a Wayland compositor: the
// standard ext-idle-notify-v1, else KDE's older idle protocol, which sway
// 1.7 offers instead. Either sends "idle" once the seat has been without
// input for the timeout (never while a client inhibits idle, such as a
// video player) and "resumed" at the next input; the watch stays armed for
// every idle period that follows.

#include <cstring>

#include <wayland-client.h>

#include "ext-idle-notify-v1-protocol.h"
#include "kde-idle-protocol.h"
#include "wayland.h"
#include "wl_local.h"

// ---- constants ----

const char wlIdleLookedFor[] = "ext_idle_notifier_v1 or org_kde_kwin_idle";

// ---- globals ----

static wl_display *display;
static wl_seat *seat;
static ext_idle_notifier_v1 *notifier;
static ext_idle_notification_v1 *notification;
static org_kde_kwin_idle *kdeIdle;
static org_kde_kwin_idle_timeout *kdeTimeout;
static bool idle;
static unsigned resumes;

// ---- functions ----

static void onGlobal(void *, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    // The first seat: an idle daemon's seat, and the only one on a desktop.
    if (!seat && std::strcmp(interface, wl_seat_interface.name) == 0)
        seat = (wl_seat *)wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
        notifier = (ext_idle_notifier_v1 *)wl_registry_bind(registry, name,
                                                            &ext_idle_notifier_v1_interface, 1);
    else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
        kdeIdle = (org_kde_kwin_idle *)wl_registry_bind(registry, name,
                                                       &org_kde_kwin_idle_interface, 1);
}

static void onGlobalGone(void *, wl_registry *, uint32_t) {}

static const wl_registry_listener REGISTRY = {onGlobal, onGlobalGone};

static void onIdled(void *, ext_idle_notification_v1 *) { idle = true; }
static void onResumed(void *, ext_idle_notification_v1 *)
{
    idle = false;
    resumes++;
}
static const ext_idle_notification_v1_listener NOTIFICATION = {onIdled, onResumed};

static void onKdeIdle(void *, org_kde_kwin_idle_timeout *) { idle = true; }
static void onKdeResumed(void *, org_kde_kwin_idle_timeout *)
{
    idle = false;
    resumes++;
}
static const org_kde_kwin_idle_timeout_listener KDE_TIMEOUT = {onKdeIdle, onKdeResumed};

const char *wlIdleOpen(unsigned timeoutMs)
{
    display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &REGISTRY, nullptr);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    const char *protocol = nullptr;
    if (seat && notifier) {
        notification = ext_idle_notifier_v1_get_idle_notification(notifier, timeoutMs, seat);
        ext_idle_notification_v1_add_listener(notification, &NOTIFICATION, nullptr);
        protocol = ext_idle_notifier_v1_interface.name;
    } else if (seat && kdeIdle) {
        kdeTimeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, timeoutMs);
        org_kde_kwin_idle_timeout_add_listener(kdeTimeout, &KDE_TIMEOUT, nullptr);
        protocol = org_kde_kwin_idle_interface.name;
    }
    if (!protocol || wl_display_roundtrip(display) < 0) {
        wlIdleClose();
        return nullptr;
    }
    return protocol;
}

int wlIdleWait(int stopFd, int timeoutMs)
{
    return wlDisplayWait(display, stopFd, timeoutMs);
}

bool wlIdleNow(void)
{
    return idle;
}

unsigned wlIdleResumes(void)
{
    return resumes;
}

void wlIdleClose(void)
{
    if (notification)
        ext_idle_notification_v1_destroy(notification);
    if (notifier)
        ext_idle_notifier_v1_destroy(notifier);
    if (kdeTimeout)
        org_kde_kwin_idle_timeout_release(kdeTimeout);
    if (kdeIdle)
        org_kde_kwin_idle_destroy(kdeIdle);
    if (seat)
        wl_seat_destroy(seat);
    if (display)
        wl_display_disconnect(display);
    display = nullptr;
    seat = nullptr;
    notifier = nullptr;
    notification = nullptr;
    kdeIdle = nullptr;
    kdeTimeout = nullptr;
    idle = false;
}
