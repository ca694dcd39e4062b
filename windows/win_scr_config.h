// win_scr_config.h -- boxcity.scr's settings on Windows: the dialog (/c)
// that stores them in the registry, and their handing over to the shell
// (/s, /p). The resource script reads it too, for the dialog's numbers.
#pragma once

// ---- constants ----

#define IDD_SCR_SETTINGS 100
#define IDC_SCR_RESOLUTION 101
#define IDC_SCR_MAX_FPS 102

#ifndef RC_INVOKED
#include <windows.h>

// ---- functions ----

// The settings dialog over owner (may be null); OK stores what it shows.
// False where the dialog could not be shown.
bool showSettingsDialog(HWND owner);
// The stored settings into BOXCITY_RESOLUTION and BOXCITY_MAX_FPS, each
// unless the environment already names one.
void handOverSettings(void);
#endif
