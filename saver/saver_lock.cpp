// saver_lock.cpp -- one boxcity-saver per user and display. An idle daemon
// runs its command at every timeout without asking whether the last one is
// still there; a second copy would stack a second set of windows. The lock
// is a file in the user's runtime folder, held with flock for the life of
// the process, so that the kernel lets go of it however the process ends.
// The idle watch holds a lock of its own, so that the city it starts can take
// the city's.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "saver.h"

// ---- functions ----

// The display the session's programs talk to, fit for a file name.
static std::string displayName(void)
{
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    const char *x11 = std::getenv("DISPLAY");
    std::string name = wayland && *wayland ? std::string("wayland-") + wayland
                       : x11 && *x11       ? std::string("x11-") + x11
                                           : std::string("none");
    for (char &c : name)
        if (c == '/')
            c = '_';
    return name.substr(0, 200);
}

bool takeSaverLock(const char *what)
{
    // Only the user's own private folder: a name in a folder shared with
    // others could be taken, or pointed elsewhere, by someone else.
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || runtime[0] != '/')
        return true;
    const std::string path = std::string(runtime) + "/boxcity-saver" + what + "." + displayName() + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return true;   // nowhere to keep a lock: better shown twice than never
    if (flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;   // the descriptor stays open, and the lock with it
    const bool held = errno == EWOULDBLOCK;
    close(fd);
    return !held;
}
