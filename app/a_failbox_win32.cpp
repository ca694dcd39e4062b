// a_failbox_win32.cpp -- Windows: a start-up failure the user can see. The
// line also goes to stderr.txt, but that file lands in the current folder,
// which for a program started from the Start menu or as the screensaver is
// one the user cannot write to or never looks in.
#include <windows.h>

#include <cstring>

#include "app.h"

// ---- globals ----

int failureBox = 1;

// ---- functions ----

void showFailureBox(const char *line)
{
    char text[1200];
    size_t n = strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
        n--;
    if (n >= sizeof text)
        n = sizeof text - 1;
    memcpy(text, line, n);
    text[n] = '\0';
    MessageBoxA(nullptr, text, "boxcity", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
