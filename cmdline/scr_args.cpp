// scr_args.cpp -- option parsing for boxcity.scr. Windows starts a
// screensaver with "/s", "/p 1234" or "/c:1234" (the settings dialog may also
// start it with nothing at all); people type "-S" as well, so either prefix
// and either case are taken. One option at most: anything else is a mistake
// worth naming, since a screensaver has no console to print help on.
#include <cctype>

#include "scr_args.h"
#include "cmdline.h"

// ---- constants ----

const char SCR_USAGE[] = "usage: boxcity.scr [/s | /p HWND | /c[:HWND]]";

// ---- functions ----

bool parseScrWindow(const char *text, uint64_t &window)
{
    return windowNumber(text, UINT64_MAX, window);
}

ScrParse parseScrArgs(int argc, char **argv, ScrOptions &opts)
{
    ScrParse result;
    auto bad = [&result](const std::string &problem) {
        result.status = 2;
        result.problem = problem;
        return result;
    };
    opts = ScrOptions();
    if (argc < 2)
        return result;                         // how the settings dialog starts it

    const std::string option = argv[1];
    if (option.size() < 2 || (option[0] != '/' && option[0] != '-'))
        return bad("unexpected argument '" + shownText(option) + "' (expected /s, /p HWND or /c)");
    const char letter = (char)std::tolower((unsigned char)option[1]);
    const std::string name = option.substr(0, 2);
    // The value follows a colon ("/p:1234") or comes as the next argument.
    const char *value = nullptr;
    int next = 2;
    if (option.size() > 2) {
        if (option[2] != ':')
            return bad("unknown option '" + shownText(option) + "'");
        value = argv[1] + 3;
    } else if (letter != 's' && argc > 2) {
        value = argv[2];
        next = 3;
    }

    switch (letter) {
    case 's':
        if (value)
            return bad("option '" + name + "' takes no value");
        opts.mode = ScrMode::Saver;
        break;
    case 'p':
        if (!value || !*value)
            return bad("option '" + name + "' needs a window handle");
        if (!parseScrWindow(value, opts.window))
            return bad("'" + shownText(value) + "' is not a window handle");
        opts.mode = ScrMode::Preview;
        break;
    case 'c':
        if (value && !parseScrWindow(value, opts.window))
            return bad("'" + shownText(value) + "' is not a window handle");
        opts.mode = ScrMode::Configure;
        break;
    default:
        return bad("unknown option '" + shownText(option) + "'");
    }
    if (next < argc)
        return bad("unexpected argument '" + shownText(argv[next]) + "'");
    return result;
}
