// win_scr_settings.cpp -- boxcity.scr's stored settings read back: whatever
// the registry holds (written by the settings dialog, by hand, or by an older
// or broken program) is either a setting the shell takes or nothing at all;
// and the settings a user gives in the environment, checked up front.
#include <cstdlib>

#include "win_scr.h"
#include "settings.h"

// ---- functions ----

std::string storedResolution(const StoredValue &value)
{
    if (!value.found || value.type != SCR_REG_SZ)
        return "";
    std::string text = value.bytes;
    if (!text.empty() && text.back() == '\0')
        text.pop_back();               // stored with its terminator, or not
    if (text.find('\0') != std::string::npos)
        return "";
    Resolution res;
    if (!parseResolution(SCR_RESOLUTION_VALUE, text.c_str(), res).empty())
        return "";
    return res.native ? "native" : std::to_string(res.width) + "x" + std::to_string(res.height);
}

std::string storedMaxFps(const StoredValue &value)
{
    if (!value.found || value.type != SCR_REG_DWORD || value.bytes.size() != 4)
        return "";
    uint32_t fps = 0;
    for (int i = 3; i >= 0; i--)       // little-endian, as Windows stores it
        fps = fps << 8 | (unsigned char)value.bytes[(size_t)i];
    if (fps > (uint32_t)MAX_FPS_LIMIT)
        return "";
    return std::to_string(fps);
}

std::string environmentSettingsProblem(void)
{
    Resolution res;
    int fps;
    const char *resolution = getenv("BOXCITY_RESOLUTION"), *maxFps = getenv("BOXCITY_MAX_FPS");
    std::string problem;
    if (resolution && *resolution)
        problem = parseResolution("BOXCITY_RESOLUTION", resolution, res);
    if (problem.empty() && maxFps && *maxFps)
        problem = parseMaxFps("BOXCITY_MAX_FPS", maxFps, fps);
    return problem;
}
