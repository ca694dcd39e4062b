// write_fault.cpp -- a preload library for the boxcity-snap tests: makes the
// writing of an output file fail late, once its temporary file exists, at the
// step BOXCITY_WRITE_FAULT names: "fill" (a write that runs out of space
// halfway), "close" (fclose, or close for the video muxer's plain file
// descriptor) or "rename". Only the tool's temporary files (names holding
// ".tmp-") are touched; the driver and the libraries go on reading and
// writing their own files.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static bool faultAt(const char *step)
{
    const char *at = std::getenv("BOXCITY_WRITE_FAULT");
    return at && !std::strcmp(at, step);
}

static bool isTemporary(int fd)
{
    char link[64], path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n < 0)
        return false;
    path[n] = '\0';
    return std::strstr(path, ".tmp-") != nullptr;
}

static bool isTemporary(FILE *file)
{
    return isTemporary(fileno(file));
}

template <typename F> static F real(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

extern "C" size_t fwrite(const void *data, size_t size, size_t count, FILE *file)
{
    static auto next = real<size_t (*)(const void *, size_t, size_t, FILE *)>("fwrite");
    if (!faultAt("fill") || !isTemporary(file))
        return next(data, size, count, file);
    // Half of it goes out, so that the temporary file is not empty.
    const size_t done = next(data, size, count / 2, file);
    errno = ENOSPC;
    return done;
}

extern "C" int fclose(FILE *file)
{
    static auto next = real<int (*)(FILE *)>("fclose");
    const bool fail = faultAt("close") && isTemporary(file);
    const int result = next(file);
    if (!fail)
        return result;
    errno = EIO;
    return EOF;
}

extern "C" int rename(const char *from, const char *to)
{
    static auto next = real<int (*)(const char *, const char *)>("rename");
    if (faultAt("rename") && std::strstr(from, ".tmp-")) {
        errno = EXDEV;
        return -1;
    }
    return next(from, to);
}

// The video muxer writes through plain descriptors. Half of the first write
// goes out; from then on the disk is full.
extern "C" ssize_t write(int fd, const void *data, size_t count)
{
    static auto next = real<ssize_t (*)(int, const void *, size_t)>("write");
    static bool full = false;
    if (!faultAt("fill") || !isTemporary(fd))
        return next(fd, data, count);
    const ssize_t done = full || count < 2 ? 0 : next(fd, data, count / 2);
    full = true;
    if (done > 0)
        return done;
    errno = ENOSPC;
    return -1;
}

extern "C" int close(int fd)
{
    static auto next = real<int (*)(int)>("close");
    const bool fail = faultAt("close") && isTemporary(fd);
    const int result = next(fd);
    if (!fail)
        return result;
    errno = EIO;
    return -1;
}
