// cmdline.h -- what the parsers of outside input share: boxcity-snap's
// command line (and the page's address, which reuses it), the screensaver
// hack's and boxcity.scr's. Header only; it depends on nothing of the project.
#pragma once

#include <string>

// ---- functions ----

// Text as it may stand inside a one-line message: control characters as
// \xNN, so that a value can neither break the line nor drive a terminal.
inline std::string shownText(const std::string &text)
{
    static const char HEX[] = "0123456789abcdef";
    std::string out;
    for (const char c : text) {
        const unsigned char u = (unsigned char)c;
        if (u < 0x20 || u == 0x7f) {
            out += "\\x";
            out += HEX[u >> 4];
            out += HEX[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}
