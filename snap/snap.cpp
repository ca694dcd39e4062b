// snap.cpp -- boxcity-snap: generates the city from a seed, runs the
// animation step a given number of times without a display, then writes the
// frame as a PNG (drawn offscreen exactly as the program draws it), the
// world-state image, a short summary, and/or a video of the frames from there.
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "cmdline.h"
#include "offscreen.h"
#include "render.h"
#include "settings.h"
#include "sim.h"
#include "snap_args.h"
#include "snap_out.h"
#include "state.h"
#include "video.h"
#include "world.h"

static const int SNAP_W = 1024;
static const int SNAP_H = 768;

// The output's size, and the 4:3 picture drawn inside it (the same unless
// --size has another shape; then it is centred between black bars).
struct Frame {
    int width, height;
    int pictureW, pictureH;
};

static int fail(const std::string &problem)
{
    std::fprintf(stderr, "boxcity-snap: %s\n", problem.c_str());
    return 1;
}

// Steps the world, showing how far it got on a terminal now and then.
static void runFrames(uint64_t frames)
{
    const bool showProgress = isatty(STDERR_FILENO) != 0;
    auto last = std::chrono::steady_clock::now();
    int shown = 0;
    for (uint64_t f = 0; f < frames; f++) {
        calcme();
        if (!showProgress || (f & 4095u) != 4095u)
            continue;
        const auto now = std::chrono::steady_clock::now();
        if (now - last < std::chrono::milliseconds(500))
            continue;
        last = now;
        shown = std::fprintf(stderr, "\rboxcity-snap: frame %" PRIu64 " of %" PRIu64 " (%.1f%%)",
                             f + 1, frames, 100.0 * (double)(f + 1) / (double)frames);
    }
    if (shown > 0)
        std::fprintf(stderr, "\r%*s\r", shown, "");
}

// Progress of the video on a terminal: frame, rate, time left.
class VideoProgress {
public:
    explicit VideoProgress(uint64_t frames) : total(frames) {}
    ~VideoProgress()
    {
        if (shown > 0)
            std::fprintf(stderr, "\r%*s\r", shown, "");
    }

    void done(uint64_t frames)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!enabled || now - last < std::chrono::milliseconds(500))
            return;
        last = now;
        const double seconds = std::chrono::duration<double>(now - start).count();
        const double fps = (double)frames / seconds;
        const uint64_t left = (uint64_t)((double)(total - frames) / fps + 0.5);
        const int n = std::fprintf(stderr,
                                   "\rboxcity-snap: video frame %" PRIu64 " of %" PRIu64
                                   ", %.1f fps, %" PRIu64 ":%02" PRIu64 " left",
                                   frames, total, fps, left / 60, left % 60);
        // Pad over the end of a longer line before.
        if (n < shown)
            std::fprintf(stderr, "%*s", shown - n, "");
        shown = n > shown ? n : shown;
    }

private:
    const bool enabled = isatty(STDERR_FILENO) != 0;
    const uint64_t total;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last = start;
    int shown = 0;
};

// Draws the current step into out (RGBA, frame.width x frame.height),
// letterboxed; picture is room for the picture alone where they differ.
static void drawInto(const Frame &frame, std::vector<unsigned char> &picture, unsigned char *out)
{
    drawFrame();
    if (frame.pictureW == frame.width && frame.pictureH == frame.height) {
        offscreenRead(out);
        return;
    }
    picture.resize((size_t)frame.pictureW * (size_t)frame.pictureH * 4);
    offscreenRead(picture.data());
    for (size_t i = 0; i < (size_t)frame.width * (size_t)frame.height; i++) {
        out[i * 4] = out[i * 4 + 1] = out[i * 4 + 2] = 0;
        out[i * 4 + 3] = 255;
    }
    const size_t left = (size_t)(frame.width - frame.pictureW) / 2;
    const size_t top = (size_t)(frame.height - frame.pictureH) / 2;
    const size_t row = (size_t)frame.pictureW * 4;
    for (size_t y = 0; y < (size_t)frame.pictureH; y++)
        std::memcpy(out + ((top + y) * (size_t)frame.width + left) * 4, picture.data() + y * row,
                    row);
}

// Films the current step and the length-1 after it, one picture per step.
static std::string film(const SnapOptions &opts, const Frame &frame)
{
    VideoWriter video;
    std::string problem =
        video.open(opts.video, frame.width, frame.height, frame.width, frame.height, opts.fps);
    if (!problem.empty())
        return problem;
    VideoProgress progress(opts.length);
    std::vector<unsigned char> picture;
    for (uint64_t k = 0; k < opts.length; k++) {
        if (k > 0)
            calcme();
        drawInto(frame, picture, video.buffer());
        problem = video.submit();
        if (!problem.empty())
            return problem;
        progress.done(k + 1);
    }
    return video.finish();
}

static void printInfo(FILE *out, uint32_t seed, uint64_t frames)
{
    const mycam &c = mycamz[whichcam];
    int travelling[4] = {0, 0, 0, 0};
    for (const car &k : carz)
        if (k.state >= 0 && k.state < 4)
            travelling[k.state]++;
    std::fprintf(out, "seed %" PRIu32 "\n", seed);
    std::fprintf(out, "frame %" PRIu64 "\n", frames);
    std::fprintf(out, "eye %.9g %.9g %.9g\n", (double)c.xcam, (double)c.ycam, (double)c.zcam);
    std::fprintf(out, "look %.9g %.9g %.9g\n", (double)c.xlook, (double)c.ylook, (double)c.zlook);
    std::fprintf(out, "cars -z %d\n", travelling[0]);
    std::fprintf(out, "cars -x %d\n", travelling[1]);
    std::fprintf(out, "cars +z %d\n", travelling[2]);
    std::fprintf(out, "cars +x %d\n", travelling[3]);
    std::fprintf(out, "draws %" PRIu64 "\n", rngDraws());
}

int main(int argc, char **argv)
{
    SnapOptions opts;
    const std::string problem = parseSnapArgs(argc, argv, opts);
    if (!problem.empty()) {
        std::fprintf(stderr, "boxcity-snap: %s\n%s\n", problem.c_str(), SNAP_USAGE);
        return 2;
    }
    if (opts.help)
        return printOut("boxcity-snap", SNAP_HELP);
    if (opts.version)
        return printVersion("boxcity-snap", BOXCITY_VERSION);
    if (opts.png.empty() && opts.state.empty() && opts.video.empty())
        opts.info = true;
    if (!opts.video.empty()) {
        const std::string unsupported = videoCheck(opts.video);
        if (!unsupported.empty()) {
            std::fprintf(stderr, "boxcity-snap: %s\n%s\n", unsupported.c_str(), SNAP_USAGE);
            return 2;
        }
    }
    if (!opts.seedGiven) {
        opts.seed = (uint32_t)time(0);
        std::fprintf(stderr, "boxcity-snap: seed %" PRIu32 "\n", opts.seed);
    }

    // Everything that can fail is checked before a possibly long run.
    for (const std::string *path : {&opts.png, &opts.state, &opts.video}) {
        if (path->empty())
            continue;
        const std::string unwritable = probeWritable(*path);
        if (!unwritable.empty())
            return fail(unwritable);
    }
    const bool drawing = !opts.png.empty() || !opts.video.empty();
    Frame frame = {opts.width ? opts.width : SNAP_W, opts.height ? opts.height : SNAP_H, 0, 0};
    pictureSize(Resolution{}, frame.width, frame.height, frame.pictureW, frame.pictureH);
    if (drawing) {
        const char *why = offscreenOpen(frame.pictureW, frame.pictureH);
        if (why) {
            offscreenClose();
            return fail(std::string("no OpenGL for ") + (opts.png.empty() ? "--video" : "--png") +
                        ": " + why);
        }
        setPictureSize(frame.pictureW, frame.pictureH);
        initGL();
    }

    initmeSeeded(opts.seed);
    runFrames(opts.frames);

    // The still, the state and the summary are of this step; they are kept
    // and written only once the video, which steps on, is complete.
    std::vector<unsigned char> rgba, image, picture;
    if (!opts.png.empty()) {
        rgba.resize((size_t)frame.width * (size_t)frame.height * 4);
        drawInto(frame, picture, rgba.data());
    }
    if (!opts.state.empty()) {
        image.resize(STATE_IMAGE_BYTES);
        stateImageFill(image.data());
    }
    std::string info;
    if (opts.info) {
        char *text = nullptr;
        size_t bytes = 0;
        FILE *out = open_memstream(&text, &bytes);
        if (!out)
            return fail("out of memory");
        printInfo(out, opts.seed, opts.frames);
        std::fclose(out);
        info.assign(text, bytes);
        std::free(text);
    }
    if (!opts.video.empty()) {
        const std::string problem = film(opts, frame);
        if (!problem.empty()) {
            offscreenClose();
            return fail(problem);
        }
    }
    if (drawing)
        offscreenClose();

    if (!opts.png.empty()) {
        const std::string err = writeAtomically(opts.png, [&](FILE *file) {
            return writePngRgb(file, rgba.data(), frame.width, frame.height);
        });
        if (!err.empty())
            return fail(err);
    }
    if (!opts.state.empty()) {
        const std::string err = writeAtomically(opts.state, [&](FILE *file) {
            return std::fwrite(image.data(), 1, image.size(), file) == image.size();
        });
        if (!err.empty())
            return fail(err);
    }
    std::fputs(info.c_str(), stdout);
    return 0;
}
