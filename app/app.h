// app.h -- the application shell: start-up, the frame loop, input events
// and shut-down.
#pragma once

#include <SDL.h>

extern SDL_Surface *surface;          // the video surface, set at start-up

// Each program's own start (boxcity's in a_entry.cpp); SDL 1.2's entry
// glue calls it on platforms that have one.
extern "C" int SDL_main(int argc, char *argv[]);
[[noreturn]] void runCity(void);      // start-up, then the frame loop until a stop
// A screensaver's defaults for runCity, before the environment's settings
// (BOXCITY_RESOLUTION, BOXCITY_MAX_FPS): the picture at the display's pixels
// (at most 1024x768 on a software renderer) and at most 60 frames a second,
// waiting for the display where the driver can.
void useSaverDefaults(void);
[[noreturn]] void Quit(int returnCode);           // shut SDL down and exit
int HandleEvent(SDL_Event *event);    // 1 for a stop request, else 0
// The rules the frame loop applies to each event: HandleEvent, unless the
// program chose others before runCity (the Windows screensaver does).
extern int (*eventHandler)(SDL_Event *event);
// Takes every pending event from poll; 1 when any of them asked to stop.
int drainEvents(int (*poll)(SDL_Event *), SDL_Event *event);
// A screensaver's rules (a_saver_input.cpp): any key, button or touch, or the
// pointer moving a few pixels after its first report, is a stop request.
int saverEvent(SDL_Event *event);
// From now on, the window vanishing under us is a stop request (X11, Windows).
void watchWindow(void);
int windowLost(void);                 // 1 once the window has been taken away
#ifdef _WIN32
// A Windows program has no console: a start-up failure is shown in a message
// box as well, unless the program lives inside another's window (the
// screensaver preview) and clears failureBox first.
extern int failureBox;
void showFailureBox(const char *line);  // waits for the user to close it
#endif
