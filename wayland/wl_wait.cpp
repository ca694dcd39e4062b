// wl_wait.cpp -- waiting on a compositor connection of our own together with
// one other descriptor (a signal pipe, a bus), without a second thread.
#include <poll.h>

#include <cerrno>

#include <wayland-client.h>

#include "wl_local.h"

// ---- functions ----

int wlDisplayWait(wl_display *display, int extraFd, int timeoutMs)
{
    while (wl_display_prepare_read(display) != 0)
        if (wl_display_dispatch_pending(display) < 0)
            return -1;
    if (wl_display_flush(display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display);
        return -1;
    }
    pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {extraFd, POLLIN, 0}};
    const int n = poll(fds, extraFd >= 0 ? 2 : 1, timeoutMs);
    if (n > 0 && fds[0].revents) {
        if (wl_display_read_events(display) < 0)
            return -1;
    } else {
        wl_display_cancel_read(display);
    }
    if (wl_display_dispatch_pending(display) < 0)
        return -1;
    return n > 0 && extraFd >= 0 && fds[1].revents ? 1 : 0;
}
