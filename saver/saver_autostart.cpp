// saver_autostart.cpp -- boxcity-saver --autostart: the idle watch started at
// every login, through the desktop entry in the user's autostart folder that
// GNOME, KDE Plasma, Xfce, LXQt and labwc read; --no-autostart removes it.
// The entry names this program by its full path, with the settings given.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "saver.h"
#include "saver_args.h"

// ---- functions ----

std::string saverProgram(void)
{
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "boxcity-saver";   // found through PATH, then
    self[n] = '\0';
    return self;
}

// One argument of an entry's Exec line: quoted where it holds anything but
// plain characters, with the escapes of both the Exec rules and the file's
// string rules ('%' doubled, '\' inside quotes written four times).
static std::string execArgument(const std::string &arg)
{
    bool plain = !arg.empty();
    for (char c : arg)
        plain = plain && (std::strchr("/._+-=,:", c) || (c >= '0' && c <= '9') ||
                          (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    if (plain)
        return arg;
    std::string quoted = "\"";
    for (char c : arg) {
        if (c == '"' || c == '`' || c == '$')
            quoted += "\\\\";
        if (c == '\\')
            quoted += "\\\\\\";
        quoted += c == '%' ? std::string("%%") : std::string(1, c);
    }
    return quoted + "\"";
}

// mkdir -p, for the folders of path's last part.
static bool makeFolders(const std::string &path)
{
    for (size_t at = 1; (at = path.find('/', at)) != std::string::npos; at++)
        if (mkdir(path.substr(0, at).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    return true;
}

int saverAutostart(const SaverOptions &opts, const char *program)
{
    const char *config = std::getenv("XDG_CONFIG_HOME");
    const char *home = std::getenv("HOME");
    std::string folder;
    if (config && config[0] == '/')   // a relative one is to be ignored
        folder = config;
    else if (home && home[0] == '/')
        folder = std::string(home) + "/.config";
    else {
        std::fputs("boxcity-saver: neither XDG_CONFIG_HOME nor HOME names a folder\n", stderr);
        return 1;
    }
    const std::string path = folder + "/autostart/boxcity-saver.desktop";
    if (opts.noAutostart) {
        if (unlink(path.c_str()) != 0 && errno != ENOENT) {
            std::fprintf(stderr, "boxcity-saver: cannot remove %s: %s\n", path.c_str(),
                         std::strerror(errno));
            return 1;
        }
        std::printf("boxcity-saver: no longer started at login (%s removed)\n", path.c_str());
        return 0;
    }
    std::string exec = execArgument(program) + " --idle " + opts.idleText;
    if (!opts.resolution.empty())
        exec += " --resolution " + opts.resolution;
    if (!opts.maxFps.empty())
        exec += " --max-fps " + opts.maxFps;
    if (opts.showFps)
        exec += " --fps";
    const std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Box City screensaver\n"
        "Comment=Shows the city when the session has been idle for " + opts.idleText + "\n"
        "Exec=" + exec + "\n"
        "Icon=boxcity\n"
        "NoDisplay=true\n"
        "X-GNOME-Autostart-enabled=true\n";
    // Written beside and renamed over: a login never reads half an entry.
    const std::string temporary = path + ".new";
    FILE *file = makeFolders(path) ? std::fopen(temporary.c_str(), "w") : nullptr;
    bool written = file && std::fputs(entry.c_str(), file) >= 0;
    written = file && std::fclose(file) == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "boxcity-saver: cannot write %s: %s\n", path.c_str(),
                     std::strerror(errno));
        unlink(temporary.c_str());
        return 1;
    }
    std::printf("boxcity-saver: started at every login, after %s idle (%s)\n",
                opts.idleText.c_str(), path.c_str());
    return 0;
}
