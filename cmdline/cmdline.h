// cmdline.h -- what the parsers of outside input and the programs' command
// lines share: a refused value shown on one line, a window's number, the
// --version text. Header only; it depends on nothing of the project.
#pragma once

#include <cstdint>
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

// A window's number as X or Windows hands it over: decimal, or 0x
// hexadecimal, 1..most. No sign, blanks or other base: what strtoul would
// also take is refused.
inline bool windowNumber(const char *text, uint64_t most, uint64_t &value)
{
    unsigned base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (text[0] == '\0')
        return false;
    uint64_t v = 0;
    for (const char *p = text; *p; p++) {
        unsigned digit;
        if (*p >= '0' && *p <= '9')
            digit = (unsigned)(*p - '0');
        else if (base == 16 && *p >= 'a' && *p <= 'f')
            digit = (unsigned)(*p - 'a' + 10);
        else if (base == 16 && *p >= 'A' && *p <= 'F')
            digit = (unsigned)(*p - 'A' + 10);
        else
            return false;
        if (v > (most - digit) / base)   // more than the system's handles hold
            return false;
        v = v * base + digit;
    }
    if (v == 0)                          // no window at all
        return false;
    value = v;
    return true;
}

// Text for standard output, such as --help: 0 once it is written, else 1 and
// one line on standard error, so that a full disk is not taken for success.
inline int printOut(const char *program, const std::string &text)
{
    if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "%s: cannot write to standard output\n", program);
        return 1;
    }
    return 0;
}

// What --version prints, the same for every program: name and version on
// the first line, as packaging scripts read it, then the licence.
inline int printVersion(const char *program, const char *version)
{
    return printOut(program, std::string(program) + " " + version + "\n"
                    "Copyright (c) 2026 the boxcity developers\n"
                    "License MIT <https://opensource.org/licenses/MIT>\n");
}
