// shell_xwindow.cpp -- a window owned by another client, the way a
// screensaver daemon or its settings preview owns the window a hack draws
// into. Creates and maps a black WIDTHxHEIGHT window (with "input-only": one
// that cannot be drawn into at all), prints its id, then
// obeys lines on stdin: "destroy" destroys the window (and answers
// "destroyed" once the server has done it); end of input ends the program.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char *argv[])
{
    bool inputOnly = argc == 4 && std::strcmp(argv[3], "input-only") == 0;
    if (argc != 3 && !inputOnly) {
        std::fprintf(stderr, "usage: shell_xwindow WIDTH HEIGHT [input-only]\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "shell_xwindow: no X display\n");
        return 2;
    }
    unsigned width = (unsigned)std::atoi(argv[1]), height = (unsigned)std::atoi(argv[2]);
    Window window = inputOnly
        ? XCreateWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0, InputOnly,
                        CopyFromParent, 0, nullptr)
        : XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0,
                              BlackPixel(display, DefaultScreen(display)));
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("%lu\n", window);
    std::fflush(stdout);

    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strncmp(line, "destroy", 7) == 0) {
            XDestroyWindow(display, window);
            XSync(display, False);
            std::printf("destroyed\n");
            std::fflush(stdout);
        }
    }
    XCloseDisplay(display);
    return 0;
}
