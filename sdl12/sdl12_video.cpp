// sdl12_video.cpp -- the SDL 1.2 layer's video half: start-up, the OpenGL
// video mode, the buffer swap, window-manager information and errors.
//
// A full-screen mode is the desktop itself, as with Debian's sdl12-compat:
// the program draws its width x height picture into a framebuffer object of
// that size, and every swap blits it onto the window scaled to fill the
// height (or width) and centred, the bars around it black. A driver without
// framebuffer objects gets the screen switched to the mode's own size instead.
// Where asked, the swap shows the picture on every display (sdl12_displays.cpp).
//
// A window lent by another program (SDL_WINDOWID, a screensaver preview) may
// be destroyed by its owner at any moment, and a GL driver that draws into a
// window that is gone can crash (Mesa's software rasteriser then works from
// the size of a window it can no longer query). So every swap first makes
// sure the window is still there and keeps it there until the swap is done;
// once it is gone the context lets go of it for good, nothing is drawn or
// swapped any more, and the program gets a close request.
#include <cstdarg>
#include <cstdio>
#include <cstdint>

#include "sdl12_local.h"

#include <SDL2/SDL_opengl.h>
#include <SDL2/SDL_syswm.h>

// ---- types ----

// The framebuffer object the program draws into, and the GL entry points
// that handle it (core, ARB or EXT, whichever the driver has).
struct Scaler {
    GLuint framebuffer, colour, depth;  // 0: drawing straight to the window
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
};

// ---- globals ----

SDL_Window *sdl12Window = nullptr;
Sdl12Picture sdl12Picture;

static SDL_GLContext context = nullptr;
static Scaler scaler;
static int swapControl = -1;  // SDL_GL_SWAP_CONTROL as asked, -1: not asked
static sdl12::SDL_PixelFormat screenFormat;
static sdl12::SDL_Surface screen;
static sdl12::SDL_PixelFormat desktopFormat;
static sdl12::SDL_VideoInfo videoInfo;
static bool lent = false;        // the mode's window belongs to another program
static bool lentGone = false;    // ... which has taken it away

// ---- functions ----

// The picture's place in an output of outW x outH: as large as fits with
// its own shape, centred.
static void letterbox(int outW, int outH, int *x, int *y, int *w, int *h)
{
    int width = sdl12Picture.width, height = sdl12Picture.height;
    if ((int64_t)outW * height > (int64_t)outH * width) {
        *h = outH;
        *w = (int)(((int64_t)outH * width + height / 2) / height);
    } else {
        *w = outW;
        *h = (int)(((int64_t)outW * height + width / 2) / width);
    }
    *x = (outW - *w) / 2;
    *y = (outH - *h) / 2;
}

template <typename F> static bool load(F *entry, const char *name, const char *suffix)
{
    char full[64];
    snprintf(full, sizeof full, "%s%s", name, suffix);
    *entry = (F)SDL_GL_GetProcAddress(full);
    return *entry != nullptr;
}

static bool loadScaler(const char *suffix)
{
    return load(&scaler.genFramebuffers, "glGenFramebuffers", suffix) &&
           load(&scaler.deleteFramebuffers, "glDeleteFramebuffers", suffix) &&
           load(&scaler.bindFramebuffer, "glBindFramebuffer", suffix) &&
           load(&scaler.genRenderbuffers, "glGenRenderbuffers", suffix) &&
           load(&scaler.deleteRenderbuffers, "glDeleteRenderbuffers", suffix) &&
           load(&scaler.bindRenderbuffer, "glBindRenderbuffer", suffix) &&
           load(&scaler.renderbufferStorage, "glRenderbufferStorage", suffix) &&
           load(&scaler.framebufferRenderbuffer, "glFramebufferRenderbuffer", suffix) &&
           load(&scaler.checkFramebufferStatus, "glCheckFramebufferStatus", suffix) &&
           load(&scaler.blitFramebuffer, "glBlitFramebuffer", suffix);
}

// A width x height colour and depth target for the program to draw into,
// bound in place of the window's. False where the driver cannot.
static bool startScaler(int width, int height)
{
    bool core = SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object");
    bool ext = SDL_GL_ExtensionSupported("GL_EXT_framebuffer_object") &&
               SDL_GL_ExtensionSupported("GL_EXT_framebuffer_blit");
    if (!(core && loadScaler("")) && !(ext && loadScaler("EXT")))
        return false;
    scaler.genFramebuffers(1, &scaler.framebuffer);
    scaler.bindFramebuffer(GL_FRAMEBUFFER, scaler.framebuffer);
    scaler.genRenderbuffers(1, &scaler.colour);
    scaler.bindRenderbuffer(GL_RENDERBUFFER, scaler.colour);
    scaler.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    scaler.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, scaler.colour);
    scaler.genRenderbuffers(1, &scaler.depth);
    scaler.bindRenderbuffer(GL_RENDERBUFFER, scaler.depth);
    scaler.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    scaler.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, scaler.depth);
    scaler.bindRenderbuffer(GL_RENDERBUFFER, 0);
    if (scaler.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
        return true;
    scaler.bindFramebuffer(GL_FRAMEBUFFER, 0);
    scaler.deleteFramebuffers(1, &scaler.framebuffer);
    scaler.deleteRenderbuffers(1, &scaler.colour);
    scaler.deleteRenderbuffers(1, &scaler.depth);
    scaler = Scaler();
    return false;
}

// Without a framebuffer object: the screen itself switched to the mode's
// size, as SDL 1.2 did. Where that fails the picture stays unscaled.
static void switchScreen(int width, int height)
{
    SDL_DisplayMode mode = {SDL_PIXELFORMAT_UNKNOWN, width, height, 0, nullptr};
    SDL_SetWindowSize(sdl12Window, width, height);
    if (SDL_SetWindowDisplayMode(sdl12Window, &mode) == 0)
        SDL_SetWindowFullscreen(sdl12Window, SDL_WINDOW_FULLSCREEN);
}

// Whether the video driver can open a window at all (a hidden one, 1x1).
static bool windowsOpen(void)
{
    SDL_Window *probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
    if (probe)
        SDL_DestroyWindow(probe);
    return probe != nullptr;
}

// Whether this display gives OpenGL at all: a hidden window of the layer's
// own, with a context.
static bool openGLOffered(void)
{
    SDL_Window *probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
    if (!probe)
        return false;
    SDL_GLContext gl = SDL_GL_CreateContext(probe);
    if (gl)
        SDL_GL_DeleteContext(gl);
    SDL_DestroyWindow(probe);
    return gl != nullptr;
}

// A mode that failed although plain windows open: the display has no OpenGL,
// which the user can act on; SDL's own text says it less plainly. A lent
// window is to blame where its id names no window fit for drawing, or where
// OpenGL works in a window of the layer's own; the reason says which.
static void explainFailure(const char *lentId, bool lentIdBad)
{
    char reason[256];
    snprintf(reason, sizeof reason, "%s", ::SDL_GetError());
    if (lentId && (lentIdBad || openGLOffered()))
        ::SDL_SetError("the window %s named by SDL_WINDOWID cannot be used (%s)", lentId, reason);
    else if (windowsOpen())
        ::SDL_SetError("this display offers no OpenGL (%s); a graphics driver with OpenGL is needed",
                       reason);
    else
        ::SDL_SetError("%s", reason);
}

// The picture letterboxed into the window the context is current on, shown.
static void show(SDL_Window *window)
{
    int outW, outH, x, y, w, h;
    SDL_GL_GetDrawableSize(window, &outW, &outH);
    letterbox(outW, outH, &x, &y, &w, &h);
    if (w < outW || h < outH)
        glClear(GL_COLOR_BUFFER_BIT);  // only the bars need it
    scaler.blitFramebuffer(0, 0, sdl12Picture.width, sdl12Picture.height, x, y, x + w, y + h,
                           GL_COLOR_BUFFER_BIT, GL_LINEAR);
    sdl12AskFrame(window);
    SDL_GL_SwapWindow(window);
}

// The lent window is gone: the context no longer draws anywhere (GL calls
// without a current context do nothing), and the program is asked to stop,
// as often as it takes (a later event in the same drain would outvote it).
static void lentWindowGone(void)
{
    if (!lentGone) {
        lentGone = true;
        SDL_GL_MakeCurrent(sdl12Window, nullptr);
    }
    if (!SDL_HasEvent(SDL_QUIT)) {
        SDL_Event quit = {};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
}

// The window SDL_WINDOWID names, or 0 with the reason in SDL's error.
static uintptr_t lentWindowId(const char *text)
{
    char *end;
    unsigned long long id = SDL_strtoull(text, &end, 0);
    if (end == text || *end || id == 0 || id != (uintptr_t)id) {
        ::SDL_SetError("not a window id");
        return 0;
    }
    return sdl12LentWindowUsable((uintptr_t)id) ? (uintptr_t)id : 0;
}

static void closeMode(void)
{
    if (context && scaler.framebuffer && !lentGone) {
        scaler.bindFramebuffer(GL_FRAMEBUFFER, 0);
        scaler.deleteFramebuffers(1, &scaler.framebuffer);
        scaler.deleteRenderbuffers(1, &scaler.colour);
        scaler.deleteRenderbuffers(1, &scaler.depth);
    }
    scaler = Scaler();
    sdl12CloseOtherDisplays();
    if (context)
        SDL_GL_DeleteContext(context);
    context = nullptr;
    if (sdl12Window) {
        sdl12ForgetWindow(sdl12Window);
        SDL_DestroyWindow(sdl12Window);
    }
    sdl12Window = nullptr;
    lent = lentGone = false;
    sdl12ForgetLentWindow();
}

namespace sdl12 {

int SDL_Init(Uint32 flags)
{
    if (::SDL_Init(flags & SDL_INIT_VIDEO) < 0)
        return -1;
    // Without a desktop to open windows on (Wine without an X display) SDL 2
    // may start all the same, and only the video mode fail, with a stray
    // system error as its reason.
    if ((flags & SDL_INIT_VIDEO) && sdl12MayStartWithoutDesktop() && !windowsOpen()) {
        ::SDL_QuitSubSystem(SDL_INIT_VIDEO);
        ::SDL_SetError("no display found (no window can be opened; under Wine, DISPLAY must "
                       "name an X server that can be opened)");
        return -1;
    }
    return 0;
}

void SDL_Quit(void)
{
    closeMode();
    ::SDL_Quit();
}

const char *SDL_GetError(void)
{
    return ::SDL_GetError();
}

void SDL_SetError(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    ::SDL_SetError("%s", text);
}

char *SDL_VideoDriverName(char *buffer, int size)
{
    const char *name = SDL_GetCurrentVideoDriver();
    if (!name || size <= 0)
        return nullptr;
    snprintf(buffer, (size_t)size, "%s", name);
    return buffer;
}

const SDL_VideoInfo *SDL_GetVideoInfo(void)
{
    SDL_DisplayMode desktop;
    if (!SDL_WasInit(SDL_INIT_VIDEO) || SDL_GetDesktopDisplayMode(0, &desktop) != 0)
        return nullptr;
    desktopFormat.BitsPerPixel = (Uint8)SDL_BITSPERPIXEL(desktop.format);
    desktopFormat.BytesPerPixel = (Uint8)SDL_BYTESPERPIXEL(desktop.format);
    videoInfo = SDL_VideoInfo();
    videoInfo.wm_available = 1;
    videoInfo.vfmt = &desktopFormat;
    videoInfo.current_w = desktop.w;
    videoInfo.current_h = desktop.h;
    // Every display covered: the largest picture is the one to draw sharp.
    if (sdl12EveryDisplay && !SDL_getenv("SDL_WINDOWID"))
        sdl12LargestDisplay(&videoInfo.current_w, &videoInfo.current_h);
    return &videoInfo;
}

int SDL_GL_SetAttribute(SDL_GLattr attribute, int value)
{
    if (attribute == SDL_GL_SWAP_CONTROL) {
        swapControl = value;
        return 0;
    }
    if (attribute < SDL_GL_RED_SIZE || attribute > SDL_GL_ACCELERATED_VISUAL) {
        ::SDL_SetError("Unknown OpenGL attribute %d", (int)attribute);
        return -1;
    }
    // SDL 2 numbers these attributes as SDL 1.2 did.
    return ::SDL_GL_SetAttribute((::SDL_GLattr)attribute, value);
}

SDL_Surface *SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        ::SDL_SetError("Video subsystem has not been initialized");
        return nullptr;
    }
    if (!(flags & SDL_OPENGL)) {
        ::SDL_SetError("only OpenGL video modes are available");
        return nullptr;
    }
    if (width <= 0 || height <= 0) {
        ::SDL_SetError("Invalid video mode size %dx%d", width, height);
        return nullptr;
    }
    closeMode();
    sdl12Picture = Sdl12Picture{0, 0, width, height, width, height};

    // A window handed over by an embedding program (a screensaver preview).
    const char *foreign = SDL_getenv("SDL_WINDOWID");
    bool fullscreen = (flags & SDL_FULLSCREEN) != 0;
    bool lentIdBad = false;
    if (foreign && *foreign) {
        SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
        uintptr_t id = lentWindowId(foreign);
        lentIdBad = id == 0;
        sdl12Window = id ? SDL_CreateWindowFrom((void *)id) : nullptr;
        lent = sdl12Window != nullptr;
        if (lent)
            sdl12KnowLentWindow();
    } else if (fullscreen && sdl12EveryDisplay) {
        sdl12Window = sdl12DisplayWindow(0, SDL_WINDOW_OPENGL);
    } else {
        Uint32 windowFlags = SDL_WINDOW_OPENGL | (fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        sdl12Window = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                       height, windowFlags);
    }
    const char *lentId = foreign && *foreign ? foreign : nullptr;
    if (!sdl12Window) {
        explainFailure(lentId, lentIdBad);
        return nullptr;
    }
    context = SDL_GL_CreateContext(sdl12Window);
    if (!context) {
        closeMode();
        explainFailure(lentId, lentIdBad);
        return nullptr;
    }
    if (swapControl >= 0)
        SDL_GL_SetSwapInterval(swapControl);
    bool scaled = startScaler(width, height);
    if (!scaled && fullscreen && !(foreign && *foreign))
        switchScreen(width, height);
    if (fullscreen && sdl12EveryDisplay && !(foreign && *foreign))
        sdl12OpenOtherDisplays(context, scaled);

    screenFormat.BitsPerPixel = (Uint8)(bpp > 0 ? bpp : 16);
    screenFormat.BytesPerPixel = (Uint8)((screenFormat.BitsPerPixel + 7) / 8);
    screen = SDL_Surface();
    screen.flags = SDL_OPENGL | (flags & SDL_FULLSCREEN);
    screen.format = &screenFormat;
    screen.w = width;
    screen.h = height;
    return &screen;
}

void SDL_Delay(Uint32 ms)
{
    ::SDL_Delay(ms);
}

void SDL_GL_SwapBuffers(void)
{
    if (!sdl12Window)
        return;
    if (lentGone || (lent && !sdl12HoldLentWindow())) {
        lentWindowGone();
        return;
    }
    if (!scaler.framebuffer) {
        sdl12AskFrame(sdl12Window);
        SDL_GL_SwapWindow(sdl12Window);
        sdl12ShowOnOtherDisplays(context, nullptr);
        if (lent)
            sdl12LetGoLentWindow();
        sdl12AfterSwaps();
        return;
    }
    // The bars: black whatever the program's clear colour.
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    scaler.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    sdl12ShowOnOtherDisplays(context, show);
    show(sdl12Window);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    scaler.bindFramebuffer(GL_FRAMEBUFFER, scaler.framebuffer);
    if (lent)
        sdl12LetGoLentWindow();

    // The same place in window coordinates, for the mouse (y from the top).
    int windowW, windowH;
    SDL_GetWindowSize(sdl12Window, &windowW, &windowH);
    letterbox(windowW, windowH, &sdl12Picture.x, &sdl12Picture.y, &sdl12Picture.w,
              &sdl12Picture.h);
    sdl12AfterSwaps();
}

int SDL_GetWMInfo(SDL_SysWMinfo *info)
{
    ::SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (!sdl12Window || !SDL_GetWindowWMInfo(sdl12Window, &wm))
        return -1;
    return sdl12FillWMInfo(wm, info, context);
}

} // namespace sdl12
