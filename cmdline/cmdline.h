// cmdline.h -- what the parsers of outside input and the programs' command
// lines share: a refused value shown on one line, the --version text.
// Header only; it depends on nothing of the project.
#pragma once

#include <cstdio>
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

// What --version prints, the same for every program: name and version on
// the first line, as packaging scripts read it, then the licence.
inline void printVersion(const char *program, const char *version)
{
    std::printf("%s %s\n"
                "Copyright (c) 2026 the boxcity developers\n"
                "License MIT <https://opensource.org/licenses/MIT>\n", program, version);
}
