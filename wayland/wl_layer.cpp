// wl_layer.cpp -- a surface beneath every window on each output, through
// the layer-shell protocol, drawn with desktop OpenGL through EGL. One
// context draws on every output in turn. An output's surface may be drawn
// on once the compositor has sent its frame callback: a compositor sends
// none while the surface cannot be seen (covered by a full-screen window,
// the output off, the session locked), which is what lets the program rest.

#include <cstring>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include "wayland.h"
#include "wl_local.h"
#include "wlr-layer-shell-unstable-v1-protocol.h"

// ---- constants ----

static const int MAX_OUTPUTS = 16;

// ---- types ----

struct LayerOutput {
    uint32_t name = 0;                 // the global's; 0: slot free
    wl_output *output = nullptr;
    int scale = 1;                     // device pixels per logical pixel
    wl_surface *surface = nullptr;
    zwlr_layer_surface_v1 *layer = nullptr;
    wl_egl_window *window = nullptr;
    EGLSurface eglSurface = EGL_NO_SURFACE;
    int width = 0, height = 0;         // logical, from the last configure
    int deviceW = 0, deviceH = 0;      // the EGL window's
    bool configured = false;
    wl_callback *frame = nullptr;      // a frame asked for, not yet done
};

// ---- globals ----

static wl_display *display;
static wl_compositor *compositor;
static zwlr_layer_shell_v1 *layerShell;
static uint32_t layerKind;
static LayerOutput outputs[MAX_OUTPUTS];
static EGLDisplay eglDisplay = EGL_NO_DISPLAY;
static EGLConfig eglConfig;
static EGLContext eglContext = EGL_NO_CONTEXT;

// ---- functions ----

static void onConfigure(void *data, zwlr_layer_surface_v1 *layer, uint32_t serial, uint32_t w,
                        uint32_t h)
{
    LayerOutput &o = *(LayerOutput *)data;
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    o.width = (int)w;
    o.height = (int)h;
    o.configured = w > 0 && h > 0;
}

static void dropSurface(LayerOutput &o)
{
    if (o.frame)
        wl_callback_destroy(o.frame);
    if (o.eglSurface != EGL_NO_SURFACE) {
        eglMakeCurrent(eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, eglContext);
        eglDestroySurface(eglDisplay, o.eglSurface);
    }
    if (o.window)
        wl_egl_window_destroy(o.window);
    if (o.layer)
        zwlr_layer_surface_v1_destroy(o.layer);
    if (o.surface)
        wl_surface_destroy(o.surface);
    o.frame = nullptr;
    o.eglSurface = EGL_NO_SURFACE;
    o.window = nullptr;
    o.layer = nullptr;
    o.surface = nullptr;
    o.configured = false;
    o.deviceW = o.deviceH = 0;
}

// The compositor took the surface away; the output's next global brings a
// new one.
static void onClosed(void *data, zwlr_layer_surface_v1 *)
{
    dropSurface(*(LayerOutput *)data);
}

static const zwlr_layer_surface_v1_listener LAYER = {onConfigure, onClosed};

// Anchored to all four edges with no size: the whole output, under any
// panel's reserved zone too. An empty input region hands every click and
// touch to what lies beneath; keyboard focus is never asked for.
static void makeSurface(LayerOutput &o)
{
    o.surface = wl_compositor_create_surface(compositor);
    wl_region *none = wl_compositor_create_region(compositor);
    wl_surface_set_input_region(o.surface, none);
    wl_region_destroy(none);
    o.layer = zwlr_layer_shell_v1_get_layer_surface(layerShell, o.surface, o.output, layerKind,
                                                    "boxcity-wallpaper");
    zwlr_layer_surface_v1_add_listener(o.layer, &LAYER, &o);
    zwlr_layer_surface_v1_set_size(o.layer, 0, 0);
    zwlr_layer_surface_v1_set_anchor(o.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                  ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                  ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                  ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(o.layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(o.layer, 0);
    wl_surface_commit(o.surface);
}

static void onGeometry(void *, wl_output *, int32_t, int32_t, int32_t, int32_t, int32_t,
                       const char *, const char *, int32_t) {}
static void onMode(void *, wl_output *, uint32_t, int32_t, int32_t, int32_t) {}
static void onScale(void *data, wl_output *, int32_t factor)
{
    ((LayerOutput *)data)->scale = factor > 0 ? factor : 1;
}
// The output's description is whole: its surface can be placed.
static void onDone(void *data, wl_output *)
{
    LayerOutput &o = *(LayerOutput *)data;
    if (!o.surface && layerShell && compositor)
        makeSurface(o);
}

// Bound at version 3 at most: no name or description comes.
static const wl_output_listener OUTPUT = {onGeometry, onMode, onDone, onScale, nullptr, nullptr};

static void onGlobal(void *, wl_registry *registry, uint32_t name, const char *interface,
                     uint32_t version)
{
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        compositor = (wl_compositor *)wl_registry_bind(registry, name, &wl_compositor_interface,
                                                       version < 3 ? version : 3);
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
        layerShell = (zwlr_layer_shell_v1 *)wl_registry_bind(registry, name,
                                                             &zwlr_layer_shell_v1_interface, 1);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 2) {
        for (LayerOutput &o : outputs) {
            if (o.name != 0)
                continue;
            o = LayerOutput();
            o.name = name;
            o.output = (wl_output *)wl_registry_bind(registry, name, &wl_output_interface,
                                                     version < 3 ? version : 3);
            wl_output_add_listener(o.output, &OUTPUT, &o);
            break;
        }
    }
}

static void onGlobalGone(void *, wl_registry *, uint32_t name)
{
    for (LayerOutput &o : outputs) {
        if (o.name != name)
            continue;
        dropSurface(o);
        if (wl_output_get_version(o.output) >= 3)
            wl_output_release(o.output);
        else
            wl_output_destroy(o.output);
        o = LayerOutput();
    }
}

static const wl_registry_listener REGISTRY = {onGlobal, onGlobalGone};

static const char *openEgl(void)
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    eglDisplay = getPlatformDisplay ? getPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, display, nullptr)
                                    : eglGetDisplay((EGLNativeDisplayType)display);
    EGLint major, minor;
    if (eglDisplay == EGL_NO_DISPLAY || !eglInitialize(eglDisplay, &major, &minor))
        return "EGL cannot draw on this Wayland display";
    if (!eglBindAPI(EGL_OPENGL_API))
        return "EGL offers no desktop OpenGL on this Wayland display";
    static const EGLint ATTRIBS[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                     EGL_BLUE_SIZE, 8, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(eglDisplay, ATTRIBS, &eglConfig, 1, &count) || count < 1)
        return "EGL has no OpenGL configuration for Wayland windows";
    eglContext = eglCreateContext(eglDisplay, eglConfig, EGL_NO_CONTEXT, nullptr);
    if (eglContext == EGL_NO_CONTEXT)
        return "EGL could not create an OpenGL context";
    if (!eglMakeCurrent(eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, eglContext))
        return "EGL could not make a context current without a surface";
    return nullptr;
}

const char *wlLayerOpen(bool bottom)
{
    display = wl_display_connect(nullptr);
    if (!display)
        return "no Wayland display (WAYLAND_DISPLAY names none that can be opened)";
    layerKind = bottom ? ZWLR_LAYER_SHELL_V1_LAYER_BOTTOM : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &REGISTRY, nullptr);
    // The globals, then the outputs' descriptions and the first configures.
    if (wl_display_roundtrip(display) < 0)
        return "the Wayland compositor closed the connection";
    if (!compositor || !layerShell)
        return "this Wayland compositor offers no layer shell (zwlr_layer_shell_v1), "
               "so nothing can be placed beneath its windows";
    if (const char *problem = openEgl())
        return problem;
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0)
        return "the Wayland compositor closed the connection";
    return nullptr;
}

int wlLayerWait(int extraFd, int timeoutMs)
{
    return wlDisplayWait(display, extraFd, timeoutMs);
}

// Device pixels: the configured size times the output's scale.
static void deviceSize(const LayerOutput &o, int &w, int &h)
{
    w = o.width * o.scale;
    h = o.height * o.scale;
}

bool wlLayerReady(int index, int &w, int &h)
{
    if (index < 0 || index >= MAX_OUTPUTS)
        return false;
    const LayerOutput &o = outputs[index];
    if (!o.layer || !o.configured || o.frame)
        return false;
    deviceSize(o, w, h);
    return true;
}

int wlLayerSlots(void)
{
    return MAX_OUTPUTS;
}

bool wlLayerBegin(int index)
{
    int w, h;
    if (!wlLayerReady(index, w, h))
        return false;
    LayerOutput &o = outputs[index];
    if (!o.window) {
        o.window = wl_egl_window_create(o.surface, w, h);
        o.eglSurface = eglCreateWindowSurface(eglDisplay, eglConfig,
                                              (EGLNativeWindowType)o.window, nullptr);
        if (o.eglSurface == EGL_NO_SURFACE)
            return false;
    } else if (w != o.deviceW || h != o.deviceH) {
        wl_egl_window_resize(o.window, w, h, 0, 0);
    }
    o.deviceW = w;
    o.deviceH = h;
    wl_surface_set_buffer_scale(o.surface, o.scale);
    if (!eglMakeCurrent(eglDisplay, o.eglSurface, o.eglSurface, eglContext))
        return false;
    // The pace is the program's and the frame callbacks': a swap that
    // waited for the compositor itself would block while the output is hidden.
    eglSwapInterval(eglDisplay, 0);
    return true;
}

static void onFrameDone(void *data, wl_callback *callback, uint32_t)
{
    LayerOutput &o = *(LayerOutput *)data;
    wl_callback_destroy(callback);
    if (o.frame == callback)
        o.frame = nullptr;
}

static const wl_callback_listener FRAME = {onFrameDone};

void wlLayerShow(int index)
{
    LayerOutput &o = outputs[index];
    // Asked for before the swap, so that the swap's commit carries it.
    o.frame = wl_surface_frame(o.surface);
    wl_callback_add_listener(o.frame, &FRAME, &o);
    eglSwapBuffers(eglDisplay, o.eglSurface);
}

void wlLayerClose(void)
{
    for (LayerOutput &o : outputs) {
        dropSurface(o);
        if (o.output)
            wl_output_destroy(o.output);
        o = LayerOutput();
    }
    if (eglDisplay != EGL_NO_DISPLAY) {
        eglMakeCurrent(eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (eglContext != EGL_NO_CONTEXT)
            eglDestroyContext(eglDisplay, eglContext);
        eglTerminate(eglDisplay);
    }
    eglDisplay = EGL_NO_DISPLAY;
    eglContext = EGL_NO_CONTEXT;
    if (layerShell)
        zwlr_layer_shell_v1_destroy(layerShell);
    if (compositor)
        wl_compositor_destroy(compositor);
    if (display)
        wl_display_disconnect(display);
    layerShell = nullptr;
    compositor = nullptr;
    display = nullptr;
}
