// shell_xclose.cpp -- asks an X window to close the way a window manager
// does when its close button is pressed: a WM_PROTOCOLS client message
// carrying WM_DELETE_WINDOW. Exit status 3 when the window does not take
// part in that protocol.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: shell_xclose WINDOW-ID\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "shell_xclose: no X display\n");
        return 2;
    }
    Window window = (Window)std::strtoul(argv[1], nullptr, 0);
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);

    Atom *offered = nullptr;
    int count = 0;
    bool takesPart = false;
    if (XGetWMProtocols(display, window, &offered, &count)) {
        for (int i = 0; i < count; i++)
            takesPart = takesPart || offered[i] == deleteWindow;
        XFree(offered);
    }
    if (!takesPart) {
        std::fprintf(stderr, "shell_xclose: window %s does not offer WM_DELETE_WINDOW\n", argv[1]);
        XCloseDisplay(display);
        return 3;
    }

    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)deleteWindow;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
