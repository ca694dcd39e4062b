// wp_x11.cpp -- boxcity-wallpaper on an X server: a window of the desktop
// type on each monitor, kept below the others and letting clicks through to
// the root window, or the root window itself. A window the server reports
// fully obscured, or a display that power management has turned off, is
// not drawn on.
#include <poll.h>

#include <cstring>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/shape.h>

#include "wp_x11.h"

// ---- constants ----

static const int MAX_MONITORS = 16;
static const int DPMS_CHECK_MS = 500;      // how soon a display turned on again is seen

// ---- types ----

struct Monitor {
    Window window = 0;
    EGLSurface surface = EGL_NO_SURFACE;
    int width = 0, height = 0;
    bool obscured = false;
};

// ---- globals ----

static Display *display;
static Monitor monitors[MAX_MONITORS];
static int monitorCount;
static bool displayOff;
static EGLDisplay eglDisplay = EGL_NO_DISPLAY;
static EGLConfig eglConfig;
static EGLContext eglContext = EGL_NO_CONTEXT;

// ---- functions ----

static Atom atom(const char *name)
{
    return XInternAtom(display, name, False);
}

// A desktop: below every other window, on every workspace, in no task list.
static void markDesktop(Window w)
{
    const Atom type = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    XChangeProperty(display, w, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    (const unsigned char *)&type, 1);
    const Atom states[] = {atom("_NET_WM_STATE_BELOW"), atom("_NET_WM_STATE_STICKY"),
                           atom("_NET_WM_STATE_SKIP_TASKBAR"), atom("_NET_WM_STATE_SKIP_PAGER")};
    XChangeProperty(display, w, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    (const unsigned char *)states, 4);
    const long everywhere = 0xFFFFFFFFL;
    XChangeProperty(display, w, atom("_NET_WM_DESKTOP"), XA_CARDINAL, 32, PropModeReplace,
                    (const unsigned char *)&everywhere, 1);
    XStoreName(display, w, "boxcity-wallpaper");
    XClassHint hint = {(char *)"boxcity-wallpaper", (char *)"boxcity-wallpaper"};
    XSetClassHint(display, w, &hint);
    // No input shape: clicks fall through to the root window beneath.
    XserverRegion none = XFixesCreateRegion(display, nullptr, 0);
    XFixesSetWindowShapeRegion(display, w, ShapeInput, 0, 0, none);
    XFixesDestroyRegion(display, none);
}

static const char *openEgl(void)
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    eglDisplay = getPlatformDisplay ? getPlatformDisplay(EGL_PLATFORM_X11_KHR, display, nullptr)
                                    : eglGetDisplay((EGLNativeDisplayType)display);
    EGLint major, minor;
    if (eglDisplay == EGL_NO_DISPLAY || !eglInitialize(eglDisplay, &major, &minor))
        return "EGL cannot draw on this X display";
    if (!eglBindAPI(EGL_OPENGL_API))
        return "EGL offers no desktop OpenGL on this X display";
    // A configuration for the screen's own visual, which the root window has.
    static const EGLint ATTRIBS[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                     EGL_BLUE_SIZE, 8, EGL_NONE};
    EGLConfig configs[64];
    EGLint count = 0;
    eglChooseConfig(eglDisplay, ATTRIBS, configs, 64, &count);
    const VisualID visual = XVisualIDFromVisual(DefaultVisual(display, DefaultScreen(display)));
    int found = -1;
    for (int i = 0; i < count && found < 0; i++) {
        EGLint id = 0;
        eglGetConfigAttrib(eglDisplay, configs[i], EGL_NATIVE_VISUAL_ID, &id);
        if ((VisualID)id == visual)
            found = i;
    }
    if (found < 0)
        return "EGL has no OpenGL configuration for this X screen's visual";
    eglConfig = configs[found];
    eglContext = eglCreateContext(eglDisplay, eglConfig, EGL_NO_CONTEXT, nullptr);
    if (eglContext == EGL_NO_CONTEXT)
        return "EGL could not create an OpenGL context";
    return nullptr;
}

static bool addMonitor(Window w, int width, int height)
{
    Monitor &m = monitors[monitorCount];
    m.window = w;
    m.width = width;
    m.height = height;
    m.surface = eglCreateWindowSurface(eglDisplay, eglConfig, (EGLNativeWindowType)w, nullptr);
    if (m.surface == EGL_NO_SURFACE)
        return false;
    monitorCount++;
    return true;
}

const char *x11WallOpen(bool root)
{
    display = XOpenDisplay(nullptr);
    if (!display)
        return "no X display (DISPLAY names none that can be opened)";
    if (const char *problem = openEgl())
        return problem;
    const int screen = DefaultScreen(display);
    const Window rootWindow = RootWindow(display, screen);
    if (root) {
        XSelectInput(display, rootWindow, VisibilityChangeMask);
        if (!addMonitor(rootWindow, DisplayWidth(display, screen), DisplayHeight(display, screen)))
            return "EGL cannot draw on the root window";
    } else {
        // One desktop window a monitor; without RandR's monitors, one for the screen.
        XRectangle rects[MAX_MONITORS];
        int count = 0;
        XRRMonitorInfo *info = XRRGetMonitors(display, rootWindow, True, &count);
        for (int i = 0; info && i < count && i < MAX_MONITORS; i++)
            rects[i] = {(short)info[i].x, (short)info[i].y, (unsigned short)info[i].width,
                        (unsigned short)info[i].height};
        if (info)
            XRRFreeMonitors(info);
        if (count < 1) {
            rects[0] = {0, 0, (unsigned short)DisplayWidth(display, screen),
                        (unsigned short)DisplayHeight(display, screen)};
            count = 1;
        }
        for (int i = 0; i < count && i < MAX_MONITORS; i++) {
            Window w = XCreateSimpleWindow(display, rootWindow, rects[i].x, rects[i].y,
                                           rects[i].width, rects[i].height, 0, 0, 0);
            markDesktop(w);
            XSelectInput(display, w, VisibilityChangeMask);
            XMapWindow(display, w);
            if (!addMonitor(w, rects[i].width, rects[i].height))
                return "EGL cannot draw on an X window";
        }
    }
    XSync(display, False);
    return nullptr;
}

int x11WallSlots(void)
{
    return monitorCount;
}

static void checkDpms(void)
{
    int event, error;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    displayOff = DPMSQueryExtension(display, &event, &error) && DPMSInfo(display, &level, &enabled) &&
                 enabled && level != DPMSModeOn;
}

bool x11WallReady(int index, int &w, int &h)
{
    if (index < 0 || index >= monitorCount || displayOff || monitors[index].obscured)
        return false;
    w = monitors[index].width;
    h = monitors[index].height;
    return true;
}

bool x11WallBegin(int index)
{
    int w, h;
    if (!x11WallReady(index, w, h) ||
        !eglMakeCurrent(eglDisplay, monitors[index].surface, monitors[index].surface, eglContext))
        return false;
    eglSwapInterval(eglDisplay, 0);   // the program paces itself
    return true;
}

void x11WallShow(int index)
{
    eglSwapBuffers(eglDisplay, monitors[index].surface);
}

bool x11WallMakeCurrent(void)
{
    return monitorCount > 0 &&
           eglMakeCurrent(eglDisplay, monitors[0].surface, monitors[0].surface, eglContext);
}

int x11WallWait(int extraFd, int timeoutMs)
{
    // While resting, the display's power state is looked at now and then.
    if (timeoutMs < 0 || timeoutMs > DPMS_CHECK_MS)
        timeoutMs = DPMS_CHECK_MS;
    int n = 0;
    if (!XPending(display)) {
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {extraFd, POLLIN, 0}};
        n = poll(fds, extraFd >= 0 ? 2 : 1, timeoutMs);
        if (n > 0 && (fds[0].revents & (POLLHUP | POLLERR)))
            return -1;
        n = n > 0 && extraFd >= 0 && fds[1].revents ? 1 : 0;
    }
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != VisibilityNotify)
            continue;
        for (int i = 0; i < monitorCount; i++)
            if (monitors[i].window == event.xvisibility.window)
                monitors[i].obscured = event.xvisibility.state == VisibilityFullyObscured;
    }
    checkDpms();
    return n;
}
