// win_scr_input.cpp -- when boxcity.scr's preview ends: only when asked to,
// since the keys and the mouse belong to the settings dialog around it. The
// full-screen run ends by the screensavers' shared rules (saverEvent).
#include "win_scr.h"

// ---- functions ----

int scrPreviewEvent(SDL_Event *event)
{
    return event->type == SDL_QUIT;
}
