// snap_out.cpp -- temporary-file-and-rename writing, and the PNG encoder.
// The PNG carries no time or text chunks, so the same pixels always give the
// same bytes.
#include <png.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "snap_out.h"

std::string cannotWrite(const std::string &path, int err)
{
    return "cannot write " + path + ": " + std::strerror(err);
}

int createTemporary(const std::string &path, std::string &tempPath)
{
    std::vector<char> name(path.begin(), path.end());
    const char suffix[] = ".tmp-XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return -1;
    tempPath = name.data();
    // mkstemp makes the file private; give it the mode a plain create would.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    return fd;
}

std::string probeWritable(const std::string &path)
{
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return cannotWrite(path, EISDIR);
    // Interrupted between the two, the probe would leave its file behind.
    sigset_t stops, before;
    sigemptyset(&stops);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stops, sig);
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    std::string tempPath;
    const int fd = createTemporary(path, tempPath);
    const int err = errno;
    if (fd >= 0) {
        close(fd);
        unlink(tempPath.c_str());
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return fd < 0 ? cannotWrite(path, err) : "";
}

std::string writeAtomically(const std::string &path, const std::function<bool(FILE *)> &fill)
{
    std::string tempPath;
    const int fd = createTemporary(path, tempPath);
    if (fd < 0)
        return cannotWrite(path, errno);

    FILE *file = fdopen(fd, "wb");
    if (!file) {
        const int err = errno;
        close(fd);
        unlink(tempPath.c_str());
        return cannotWrite(path, err);
    }
    errno = 0;
    bool ok = fill(file) && std::fflush(file) == 0;
    int err = errno ? errno : EIO;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && std::rename(tempPath.c_str(), path.c_str()) == 0)
        return "";
    if (ok)
        err = errno;
    unlink(tempPath.c_str());
    return cannotWrite(path, err);
}

// libpng would print its own line before the caller's; its failures end the
// write silently instead, and the caller reports them.
static void pngFailed(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

static void pngWarned(png_structp, png_const_charp) {}

bool writePngRgb(FILE *file, const unsigned char *rgba, int width, int height)
{
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFailed, pngWarned);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<unsigned char> row((size_t)width * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; y++) {
        const unsigned char *src = rgba + (size_t)y * (size_t)width * 4;
        for (int x = 0; x < width; x++) {
            row[(size_t)x * 3 + 0] = src[x * 4 + 0];
            row[(size_t)x * 3 + 1] = src[x * 4 + 1];
            row[(size_t)x * 3 + 2] = src[x * 4 + 2];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}
