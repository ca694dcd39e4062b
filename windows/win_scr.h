// win_scr.h -- boxcity.scr, the Windows screensaver: its command line
// (scr_args.h), its stored settings and the input that ends it.
#pragma once

#include <SDL.h>

#include <string>

#include "scr_args.h"

// ---- constants ----

// Where the settings are stored: the current user's registry, under
// HKEY_CURRENT_USER, as Windows screensavers keep theirs.
static const char SCR_SETTINGS_KEY[] = "Software\\boxcity";
static const char SCR_RESOLUTION_VALUE[] = "resolution";   // REG_SZ: native or WxH
static const char SCR_MAX_FPS_VALUE[] = "max-fps";         // REG_DWORD: 0..1000
// The registry's type numbers (winnt.h), for the code that runs everywhere.
static const unsigned long SCR_REG_SZ = 1, SCR_REG_DWORD = 4;

// ---- types ----

// A value as the registry holds it: its type and its bytes as read.
struct StoredValue {
    bool found = false;
    unsigned long type = 0;
    std::string bytes;
};

// ---- functions ----

// The setting a stored value holds, as the environment hands it to the
// shell (BOXCITY_RESOLUTION, BOXCITY_MAX_FPS); "" where there is none to
// use: missing, of another type, or out of range. A bad value is the
// default, never an error: the screensaver starts unattended.
std::string storedResolution(const StoredValue &value);
std::string storedMaxFps(const StoredValue &value);
// "" unless BOXCITY_RESOLUTION or BOXCITY_MAX_FPS is set to something that
// is no setting; then the problem in one line, naming the variable.
std::string environmentSettingsProblem(void);

// The frame loop's event rules (see eventHandler in app.h), 1 to stop.
// Running: saverEvent (app.h). Previewing: only a quit request; the window
// going away ends it too.
int scrPreviewEvent(SDL_Event *event);
