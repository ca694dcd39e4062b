// sdl12_main_win32.cpp -- the process entry of a Windows program built on the
// layer, as SDL 1.2's entry glue (SDLmain) on Windows has it: main calls the
// program's SDL_main. A program of the GUI subsystem has no console to print
// on, so standard output and error go to stdout.txt and stderr.txt in the
// current folder; at exit each of the two that is empty is deleted, so that
// a normal run leaves no file and a failed start-up leaves its one line.
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

// The program's own start, as SDL 1.2's SDL_main.h declares it.
extern "C" int SDL_main(int argc, char *argv[]);

// ---- constants ----

static const char *const outName = "stdout.txt";
static const char *const errName = "stderr.txt";

// ---- globals ----

static bool outRedirected = false;  // stdout went to its file
static bool errRedirected = false;  // stderr went to its file

// ---- functions ----

static void removeIfEmpty(const char *name)
{
    struct stat file;
    if (stat(name, &file) == 0 && file.st_size == 0)
        remove(name);
}

static void closeOutput(void)
{
    if (outRedirected) {
        fclose(stdout);
        removeIfEmpty(outName);
    }
    if (errRedirected) {
        fclose(stderr);
        removeIfEmpty(errName);
    }
}

int main(int argc, char *argv[])
{
    // Where the folder cannot be written the output is lost, as it would be
    // without the files: there is no console.
    outRedirected = freopen(outName, "w", stdout) != nullptr;
    if (outRedirected)
        setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    errRedirected = freopen(errName, "w", stderr) != nullptr;
    if (errRedirected)
        setvbuf(stderr, nullptr, _IONBF, 0);
    atexit(closeOutput);
    return SDL_main(argc, argv);
}
