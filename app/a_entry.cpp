// a_entry.cpp -- the process entry of boxcity. Where SDL 1.2 has no entry
// glue of its own (Linux), main hands over to SDL_main.
#include "app.h"

// boxcity takes no arguments: the city, until Escape or the window goes.
extern "C" int SDL_main(int argc, char *argv[])
{
    (void)argc;
    (void)argv;
    runCity();
}

#if !defined(__WIN32__) && !defined(__MACOSX__)
int main(int argc, char *argv[])
{
    return SDL_main(argc, argv);
}
#endif
