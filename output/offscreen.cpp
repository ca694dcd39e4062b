// offscreen.cpp -- EGL context and framebuffer object for drawing without a
// display. Framebuffer calls are looked up at run time: a compatibility
// context of any version offers them through one extension or another.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

#include "offscreen.h"

static EGLDisplay display = EGL_NO_DISPLAY;
static EGLContext context = EGL_NO_CONTEXT;
static GLuint framebuffer, colorBuffer, depthBuffer;
static int targetW, targetH;

static PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
static PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
static PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
static PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
static PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
static PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
static PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
static PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
static PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;

template <typename T> static bool lookUp(T &fn, const char *name)
{
    fn = reinterpret_cast<T>(eglGetProcAddress(name));
    if (!fn) {
        char ext[64];
        std::strcpy(ext, name);
        std::strcat(ext, "EXT");
        fn = reinterpret_cast<T>(eglGetProcAddress(ext));
    }
    return fn != nullptr;
}

static bool hasExtension(const char *list, const char *name)
{
    return list && std::strstr(list, name) != nullptr;
}

// Mesa's surfaceless platform first, then the first GPU device, then the
// default display.
static EGLDisplay openDisplay(void)
{
    const char *clientExts = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay d = EGL_NO_DISPLAY;
    EGLint major, minor;
    if (getPlatformDisplay && hasExtension(clientExts, "EGL_MESA_platform_surfaceless")) {
        d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d != EGL_NO_DISPLAY && eglInitialize(d, &major, &minor))
            return d;
    }
    auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(
        eglGetProcAddress("eglQueryDevicesEXT"));
    if (getPlatformDisplay && queryDevices) {
        EGLDeviceEXT devices[4];
        EGLint count = 0;
        if (queryDevices(4, devices, &count) && count > 0) {
            d = getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[0], nullptr);
            if (d != EGL_NO_DISPLAY && eglInitialize(d, &major, &minor))
                return d;
        }
    }
    d = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (d != EGL_NO_DISPLAY && eglInitialize(d, &major, &minor))
        return d;
    return EGL_NO_DISPLAY;
}

const char *offscreenOpen(int width, int height)
{
    display = openDisplay();
    if (display == EGL_NO_DISPLAY)
        return "no EGL display could be opened";
    if (!eglBindAPI(EGL_OPENGL_API))
        return "EGL offers no desktop OpenGL";

    static const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                          EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count < 1)
        return "EGL has no OpenGL configuration";
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT)
        return "EGL could not create an OpenGL context";
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context))
        return "EGL could not make a context current without a surface";

    if (!lookUp(genFramebuffers, "glGenFramebuffers") ||
        !lookUp(bindFramebuffer, "glBindFramebuffer") ||
        !lookUp(deleteFramebuffers, "glDeleteFramebuffers") ||
        !lookUp(genRenderbuffers, "glGenRenderbuffers") ||
        !lookUp(bindRenderbuffer, "glBindRenderbuffer") ||
        !lookUp(deleteRenderbuffers, "glDeleteRenderbuffers") ||
        !lookUp(renderbufferStorage, "glRenderbufferStorage") ||
        !lookUp(framebufferRenderbuffer, "glFramebufferRenderbuffer") ||
        !lookUp(checkFramebufferStatus, "glCheckFramebufferStatus"))
        return "OpenGL offers no framebuffer objects";

    genRenderbuffers(1, &colorBuffer);
    bindRenderbuffer(GL_RENDERBUFFER, colorBuffer);
    renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    genRenderbuffers(1, &depthBuffer);
    bindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
    renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
    if (checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return "the offscreen framebuffer is incomplete";
    targetW = width;
    targetH = height;
    return nullptr;
}

void offscreenRead(unsigned char *rgba)
{
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // OpenGL's rows run bottom-up; flip into image order while reading.
    for (int y = 0; y < targetH; y++)
        glReadPixels(0, targetH - 1 - y, targetW, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                     rgba + (size_t)y * (size_t)targetW * 4);
}

void offscreenClose(void)
{
    if (context != EGL_NO_CONTEXT) {
        deleteFramebuffers(1, &framebuffer);
        deleteRenderbuffers(1, &colorBuffer);
        deleteRenderbuffers(1, &depthBuffer);
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, context);
        context = EGL_NO_CONTEXT;
    }
    if (display != EGL_NO_DISPLAY) {
        eglTerminate(display);
        display = EGL_NO_DISPLAY;
    }
}
