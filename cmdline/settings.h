// settings.h -- the two display settings every front end takes, under one
// name each: resolution ("native", or "WxH": at most that many pixels) and
// max-fps (0 for no limit, else 1..1000 frames a second). Command lines,
// the environment (BOXCITY_RESOLUTION, BOXCITY_MAX_FPS), the page's address
// and the Windows registry all read them through these functions.
#pragma once

#include <cstdlib>
#include <string>

#include "cmdline.h"

// ---- constants ----

static const int MAX_FPS_LIMIT = 1000;       // the highest frame limit one can ask for
static const int RESOLUTION_LIMIT = 16384;   // wider or taller than any display

// ---- types ----

// How many pixels the picture is drawn with: the area it fills on the
// display (native), or at most width x height of it.
struct Resolution {
    bool native = true;
    int width = 0, height = 0;       // the most, when not native
};

// ---- functions ----

// A whole number of 1..limit digits' worth, without sign, blanks or a leading
// '+': what strtol would take beyond that is refused, not guessed at.
inline bool settingNumber(const char *text, long limit, long &value)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    long v = 0;
    for (const char *p = text; *p; p++) {
        if (*p < '0' || *p > '9')
            return false;
        v = v * 10 + (*p - '0');
        if (v > limit)
            return false;
    }
    value = v;
    return true;
}

// "" when text is a resolution, else the problem in one line naming name.
inline std::string parseResolution(const char *name, const char *text, Resolution &out)
{
    const std::string bad = std::string(name) + ": '" + shownText(text ? text : "") + "' ";
    if (text && std::string(text) == "native") {
        out = Resolution{};
        return "";
    }
    const char *x = text ? text : "";
    while (*x && *x != 'x')
        x++;
    long w = 0, h = 0;
    if (!*x || !settingNumber(std::string(text, (size_t)(x - text)).c_str(), RESOLUTION_LIMIT, w) ||
        !settingNumber(x + 1, RESOLUTION_LIMIT, h))
        return bad + "is not a resolution (native, or WxH such as 1024x768, each 1.." +
               std::to_string(RESOLUTION_LIMIT) + ")";
    if (w == 0 || h == 0)
        return bad + "has no pixels (each side at least 1)";
    out.native = false;
    out.width = (int)w;
    out.height = (int)h;
    return "";
}

// "" when text is a frame limit, else the problem in one line naming name.
inline std::string parseMaxFps(const char *name, const char *text, int &out)
{
    long v = 0;
    if (!settingNumber(text, MAX_FPS_LIMIT, v))
        return std::string(name) + ": '" + shownText(text ? text : "") +
               "' is not a frame limit (0 for none, or 1.." + std::to_string(MAX_FPS_LIMIT) + ")";
    out = (int)v;
    return "";
}

// The 4:3 picture's pixel size for an area of areaW x areaH: as large as fits
// in the area, then, unless native, no larger than the resolution allows.
// Never below 4 x 3, so that there is always a picture to draw.
inline void pictureSize(const Resolution &res, int areaW, int areaH, int &w, int &h)
{
    long fitW = areaW, fitH = areaH;
    if (!res.native) {
        if (res.width < fitW)
            fitW = res.width;
        if (res.height < fitH)
            fitH = res.height;
    }
    long units = fitW / 4 < fitH / 3 ? fitW / 4 : fitH / 3;   // whole 4:3 steps
    if (units < 1)
        units = 1;
    w = (int)(units * 4);
    h = (int)(units * 3);
}
