// wp_main.cpp -- boxcity-wallpaper: the city beneath the windows of every
// output. Each frame is drawn once, into a framebuffer object, and then
// copied onto every output that the compositor currently shows, cropped to
// the output's shape (or letterboxed). While no output is shown it draws
// nothing and only waits on the compositor's socket. On battery its default
// frame limit halves.
#include <GL/gl.h>
#include <GL/glext.h>
#include <EGL/egl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "a_frames.h"
#include "cmdline.h"
#include "dbus.h"
#include "render.h"
#include "settings.h"
#include "sim.h"
#include "wallpaper_args.h"
#include "wayland.h"
#include "world.h"
#include "wp_x11.h"

// ---- constants ----

static const char PROGRAM[] = "boxcity-wallpaper";
static const int WALLPAPER_MAX_FPS = 30;

// ---- types ----

using Clock = std::chrono::steady_clock;

// The framebuffer calls, looked up at run time.
struct Picture {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
    GLuint framebuffer, colour, depth;
    int width, height;                 // 0: none yet
};

// The outputs, on a Wayland compositor or on an X server.
struct Outputs {
    int (*slots)(void);
    bool (*ready)(int index, int &w, int &h);
    bool (*begin)(int index);
    void (*show)(int index);
    int (*wait)(int extraFd, int timeoutMs);
};

// ---- constants ----

static const Outputs WAYLAND_OUTPUTS = {wlLayerSlots, wlLayerReady, wlLayerBegin, wlLayerShow,
                                        wlLayerWait};
static const Outputs X11_OUTPUTS = {x11WallSlots, x11WallReady, x11WallBegin, x11WallShow,
                                    x11WallWait};

// ---- globals ----

static Picture picture;

// ---- functions ----

[[noreturn]] static void failLine(int status, const std::string &line)
{
    std::fprintf(stderr, "%s: %s\n", PROGRAM, line.c_str());
    std::exit(status);
}

template <typename T> static bool lookUp(T &fn, const char *name)
{
    fn = reinterpret_cast<T>(eglGetProcAddress(name));
    return fn != nullptr;
}

static bool loadPictureCalls(void)
{
    Picture &p = picture;
    return lookUp(p.genFramebuffers, "glGenFramebuffers") &&
           lookUp(p.bindFramebuffer, "glBindFramebuffer") &&
           lookUp(p.deleteFramebuffers, "glDeleteFramebuffers") &&
           lookUp(p.genRenderbuffers, "glGenRenderbuffers") &&
           lookUp(p.bindRenderbuffer, "glBindRenderbuffer") &&
           lookUp(p.deleteRenderbuffers, "glDeleteRenderbuffers") &&
           lookUp(p.renderbufferStorage, "glRenderbufferStorage") &&
           lookUp(p.framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           lookUp(p.checkFramebufferStatus, "glCheckFramebufferStatus") &&
           lookUp(p.blitFramebuffer, "glBlitFramebuffer");
}

// A w x h colour and depth target for the renderer, in place of the last.
static bool makePicture(int w, int h)
{
    Picture &p = picture;
    if (p.width > 0) {
        p.deleteFramebuffers(1, &p.framebuffer);
        p.deleteRenderbuffers(1, &p.colour);
        p.deleteRenderbuffers(1, &p.depth);
    }
    p.genFramebuffers(1, &p.framebuffer);
    p.bindFramebuffer(GL_FRAMEBUFFER, p.framebuffer);
    p.genRenderbuffers(1, &p.colour);
    p.bindRenderbuffer(GL_RENDERBUFFER, p.colour);
    p.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    p.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, p.colour);
    p.genRenderbuffers(1, &p.depth);
    p.bindRenderbuffer(GL_RENDERBUFFER, p.depth);
    p.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
    p.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, p.depth);
    p.width = w;
    p.height = h;
    return p.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// The 4:3 area that covers a w x h output (fill), or fits in it (letterbox).
static void coverArea(int w, int h, bool letterbox, int &areaW, int &areaH)
{
    areaW = w;
    areaH = h;
    if (letterbox)
        return;
    if ((long)w * 3 >= (long)h * 4)
        areaH = (int)(((long)w * 3 + 3) / 4);
    else
        areaW = (int)(((long)h * 4 + 2) / 3);
}

// Copies the picture onto the current output of w x h device pixels: the
// middle of the picture in the output's shape, or all of it with bars.
static void blitPicture(int w, int h, bool letterbox)
{
    const Picture &p = picture;
    int sx = 0, sy = 0, sw = p.width, sh = p.height;
    int dx = 0, dy = 0, dw = w, dh = h;
    const long pw = p.width, ph = p.height;
    if (letterbox) {
        if ((long)w * ph > (long)h * pw)
            dw = (int)((long)h * pw / ph);
        else
            dh = (int)((long)w * ph / pw);
        dx = (w - dw) / 2;
        dy = (h - dh) / 2;
    } else if ((long)w * ph > (long)h * pw) {
        sh = (int)(pw * h / w);
        sy = (p.height - sh) / 2;
    } else {
        sw = (int)(ph * w / h);
        sx = (p.width - sw) / 2;
    }
    p.bindFramebuffer(GL_READ_FRAMEBUFFER, p.framebuffer);
    p.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    if (dw < w || dh < h) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    p.blitFramebuffer(sx, sy, sx + sw, sy + sh, dx, dy, dx + dw, dy + dh, GL_COLOR_BUFFER_BIT,
                      GL_LINEAR);
}

// A setting from the command line, else the environment, else "".
static std::string setting(const std::string &given, const char *variable)
{
    if (!given.empty())
        return given;
    const char *value = std::getenv(variable);
    return value ? value : "";
}

int main(int argc, char **argv)
{
    WallpaperOptions opts;
    const std::string problem = parseWallpaperArgs(argc, argv, opts);
    if (!problem.empty())
        failLine(2, problem + " (--help lists the options)");
    if (opts.help)
        return printOut(PROGRAM, WALLPAPER_HELP);
    if (opts.version)
        return printVersion(PROGRAM, BOXCITY_VERSION);

    Resolution resolution;
    bool resolutionGiven = false;
    int maxFps = WALLPAPER_MAX_FPS;
    bool fpsGiven = false;
    const std::string resolutionText = setting(opts.resolution, "BOXCITY_RESOLUTION");
    if (!resolutionText.empty()) {
        const char *name = opts.resolution.empty() ? "BOXCITY_RESOLUTION" : "--resolution";
        const std::string refused = parseResolution(name, resolutionText.c_str(), resolution);
        if (!refused.empty())
            failLine(2, refused);
        resolutionGiven = true;
    }
    const std::string fpsText = setting(opts.maxFps, "BOXCITY_MAX_FPS");
    if (!fpsText.empty()) {
        const char *name = opts.maxFps.empty() ? "BOXCITY_MAX_FPS" : "--max-fps";
        const std::string refused = parseMaxFps(name, fpsText.c_str(), maxFps);
        if (!refused.empty())
            failLine(2, refused);
        fpsGiven = true;
    }

    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    const char *x11 = std::getenv("DISPLAY");
    Outputs outputs = WAYLAND_OUTPUTS;
    if (wayland && *wayland && !opts.root) {
        // The desktop's own background (sway's swaybg, KDE Plasma's
        // wallpaper) lies in the background layer, over a surface placed
        // there after it.
        const char *desktop = std::getenv("XDG_CURRENT_DESKTOP");
        const char *sway = std::getenv("SWAYSOCK");
        const bool bottom = (desktop && std::strstr(desktop, "KDE")) || (sway && *sway);
        if (const char *refused = wlLayerOpen(bottom))
            failLine(1, refused);
    } else if (x11 && *x11) {
        outputs = X11_OUTPUTS;
        if (const char *refused = x11WallOpen(opts.root))
            failLine(1, refused);
        if (!x11WallMakeCurrent())
            failLine(1, "EGL could not make a context current");
    } else {
        failLine(1, opts.root ? "no X display (DISPLAY is not set)"
                              : "no display (neither WAYLAND_DISPLAY nor DISPLAY is set)");
    }
    if (!loadPictureCalls())
        failLine(1, "OpenGL offers no framebuffer objects");
    if (!resolutionGiven && softwareRenderer())
        resolution = SOFTWARE_BUDGET;
    initme();
    int powerFd = powerOpen();

    Clock::time_point due = Clock::now();
    for (;;) {
        if (powerFd >= 0 && !powerProcess()) {
            powerClose();   // the bus gone: on mains from now on
            powerFd = -1;
        }
        const int fps = !fpsGiven && powerOnBattery() ? maxFps / 2 : maxFps;
        const Clock::duration period =
            fps > 0 ? std::chrono::duration_cast<Clock::duration>(
                          std::chrono::duration<double>(1.0 / (double)fps))
                    : Clock::duration::zero();
        // The display's news first: frames slower than the limit never wait.
        if (outputs.wait(powerFd, 0) < 0)
            failLine(1, "the display has gone");
        // Which outputs may be drawn on, and the picture that covers them all.
        int areaW = 0, areaH = 0, ready = 0;
        for (int i = 0; i < outputs.slots(); i++) {
            int w, h, aw, ah;
            if (!outputs.ready(i, w, h))
                continue;
            ready++;
            coverArea(w, h, opts.letterbox, aw, ah);
            areaW = aw > areaW ? aw : areaW;
            areaH = ah > areaH ? ah : areaH;
        }
        const Clock::time_point now = Clock::now();
        if (ready == 0 || now < due) {
            // Resting: nothing but the compositor's news wakes it.
            int timeoutMs = -1;
            if (ready > 0)
                timeoutMs = (int)std::chrono::duration_cast<std::chrono::milliseconds>(
                                due - now).count() + 1;
            if (outputs.wait(powerFd, timeoutMs) < 0)
                failLine(1, "the display has gone");
            continue;
        }
        // A frame late by more than a period starts the grid anew.
        due = now - due > period ? now + period : due + period;

        int pw, ph;
        pictureSize(resolution, areaW, areaH, pw, ph);
        if (pw != picture.width || ph != picture.height) {
            if (!makePicture(pw, ph))
                failLine(1, "the picture's framebuffer is incomplete");
            setPictureSize(pw, ph);
            initGL();
        }
        calcme();
        picture.bindFramebuffer(GL_FRAMEBUFFER, picture.framebuffer);
        drawFrame();
        if (opts.showFps)
            drawFpsOverlay(pw, ph);
        for (int i = 0; i < outputs.slots(); i++) {
            int w, h;
            if (!outputs.ready(i, w, h) || !outputs.begin(i))
                continue;
            blitPicture(w, h, opts.letterbox);
            outputs.show(i);
        }
    }
}
