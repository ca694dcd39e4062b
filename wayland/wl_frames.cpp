// wl_frames.cpp -- whether the compositor still shows our surfaces: frame
// requests of our own on each surface, answered on a private event queue.
// SDL reads the connection as it always does; what it reads for this queue
// waits here until collected, so SDL's own frame pacing is left alone.
#include <poll.h>

#include <wayland-client.h>

#include "wayland.h"

// ---- constants ----

static const int MAX_SURFACES = 16;
static const double ASK_EVERY = 0.25;  // seconds: no request per frame

// ---- types ----

struct Watched {
    wl_surface *wrapper;   // the surface, its requests on our queue; null: free
    wl_callback *pending;  // the unanswered request, or null
    double askedAt;        // when it was asked
    bool everShown;
};

// ---- globals ----

static wl_display *display = nullptr;
static wl_event_queue *queue = nullptr;
static Watched watched[MAX_SURFACES];
static int shownCount = 0;  // answers since the last collect

// ---- functions ----

static void frameDone(void *data, wl_callback *callback, uint32_t)
{
    Watched *w = static_cast<Watched *>(data);
    wl_callback_destroy(callback);
    if (w->pending == callback)
        w->pending = nullptr;
    w->everShown = true;
    shownCount++;
}

static const wl_callback_listener frameListener = {frameDone};

bool wlFramesOpen(wl_display *d)
{
    if (queue)
        return display == d;
    queue = d ? wl_display_create_queue(d) : nullptr;
    display = queue ? d : nullptr;
    return queue != nullptr;
}

void wlFramesClose(void)
{
    for (int i = 0; i < MAX_SURFACES; i++)
        wlFramesRemove(i);
    if (queue)
        wl_event_queue_destroy(queue);
    queue = nullptr;
    display = nullptr;
}

int wlFramesAdd(wl_surface *surface)
{
    if (!queue || !surface)
        return -1;
    for (int i = 0; i < MAX_SURFACES; i++) {
        if (watched[i].wrapper)
            continue;
        wl_surface *wrapper = static_cast<wl_surface *>(wl_proxy_create_wrapper(surface));
        if (!wrapper)
            return -1;
        wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(wrapper), queue);
        watched[i] = Watched{wrapper, nullptr, -1.0, false};
        return i;
    }
    return -1;
}

void wlFramesRemove(int slot)
{
    if (slot < 0 || slot >= MAX_SURFACES || !watched[slot].wrapper)
        return;
    if (watched[slot].pending)
        wl_callback_destroy(watched[slot].pending);
    wl_proxy_wrapper_destroy(watched[slot].wrapper);
    watched[slot] = Watched{};
}

static void ask(Watched *w, double now)
{
    w->pending = wl_surface_frame(w->wrapper);
    if (w->pending)
        wl_callback_add_listener(w->pending, &frameListener, w);
    w->askedAt = now;
}

void wlFramesAsk(int slot, double now)
{
    if (slot < 0 || slot >= MAX_SURFACES || !watched[slot].wrapper)
        return;
    Watched *w = &watched[slot];
    if (!w->pending && (w->askedAt < 0.0 || now - w->askedAt >= ASK_EVERY))
        ask(w, now);
}

void wlFramesAskAllNow(double now)
{
    for (Watched &w : watched) {
        if (!w.wrapper)
            continue;
        if (!w.pending)
            ask(&w, now);
        wl_surface_commit(w.wrapper);
    }
    if (display)
        wl_display_flush(display);
}

int wlFramesCollect(int timeoutMs, double)
{
    if (!queue)
        return 0;
    shownCount = 0;
    if (wl_display_dispatch_queue_pending(display, queue) < 0)
        return -1;
    if (shownCount > 0 || timeoutMs <= 0)
        return shownCount;
    // Waiting: whatever arrives wakes us, SDL's events too, which stay
    // read for SDL to dispatch.
    while (wl_display_prepare_read_queue(display, queue) != 0)
        if (wl_display_dispatch_queue_pending(display, queue) < 0)
            return -1;
    wl_display_flush(display);
    pollfd fd = {wl_display_get_fd(display), POLLIN, 0};
    if (poll(&fd, 1, timeoutMs) > 0) {
        if (wl_display_read_events(display) < 0)
            return -1;
    } else {
        wl_display_cancel_read(display);
    }
    if (wl_display_dispatch_queue_pending(display, queue) < 0)
        return -1;
    return shownCount;
}

bool wlFramesUnanswered(int slot, double seconds, double now)
{
    if (slot < 0 || slot >= MAX_SURFACES || !watched[slot].wrapper)
        return false;
    const Watched &w = watched[slot];
    return w.pending && now - w.askedAt > seconds;
}

bool wlFramesEverShown(int slot)
{
    return slot >= 0 && slot < MAX_SURFACES && watched[slot].everShown;
}
