// test_snap.cpp -- boxcity-snap end to end: the real binary's state images
// and PNGs against the same seed and frame computed and drawn in-process, its
// summary, and every kind of bad input (message, exit status, no file left).
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "offscreen.h"
#include "render.h"
#include "sim.h"
#include "snap_run.h"
#include "state.h"
#include "world.h"

namespace {

std::string stateAfter(uint32_t seed, int frames)
{
    initmeSeeded(seed);
    for (int f = 0; f < frames; f++)
        calcme();
    std::string image(STATE_IMAGE_BYTES, '\0');
    stateImageFill(reinterpret_cast<unsigned char *>(&image[0]));
    return image;
}

using Snap = SnapRun;

TEST_F(Snap, StateImageIsTheWorldAfterThatManySteps)
{
    const Outcome run = snap("--seed 4242 --frames 0 --state %D/f0.bin");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");                        // no summary unless asked for
    ASSERT_EQ(snap("--seed 4242 --frames 3 --state %D/a.bin").status, 0);
    ASSERT_EQ(snap("--seed 4242 --frames 3 --state %D/b.bin").status, 0);
    const std::string f0 = readFile(dir / "f0.bin"), a = readFile(dir / "a.bin");
    ASSERT_EQ(a.size(), 6177044u);
    EXPECT_TRUE(a == readFile(dir / "b.bin"));
    EXPECT_TRUE(f0 == stateAfter(4242, 0));
    EXPECT_TRUE(a == stateAfter(4242, 3));
    EXPECT_FALSE(f0 == a);

    // Over an old file, with the mode a plain create gives, and nothing else
    // left in the folder.
    ASSERT_EQ(snap("--seed 4242 --frames 0 --state %D/a.bin", "umask 027;").status, 0);
    EXPECT_TRUE(readFile(dir / "a.bin") == f0);
    EXPECT_EQ(fs::status(dir / "a.bin").permissions(), fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
}

TEST_F(Snap, PngIsTheFrameTheProgramDraws)
{
    const Outcome run = snap("--seed 99 --frames 40 --png %D/a.png");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(snap("--seed 99 --frames 40 --png %D/b.png").status, 0);
    EXPECT_TRUE(readFile(dir / "a.png") == readFile(dir / "b.png"));

    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&png, (dir / "a.png").c_str()));
    EXPECT_EQ(png.width, 1024u);
    EXPECT_EQ(png.height, 768u);
    EXPECT_EQ(png.format, (png_uint_32)PNG_FORMAT_RGB);
    png.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(png));
    ASSERT_TRUE(png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr));

    const char *why = offscreenOpen(1024, 768);
    ASSERT_EQ(why, nullptr) << why;
    initGL();
    stateAfter(99, 40);
    drawFrame();
    std::vector<unsigned char> drawn(pixels.size());
    offscreenRead(drawn.data());
    offscreenClose();
    for (size_t i = 3; i < drawn.size(); i += 4)
        drawn[i] = 255;                            // the PNG has no alpha
    EXPECT_TRUE(pixels == drawn);
}

// A PNG's RGB pixels; empty when it cannot be read.
std::vector<unsigned char> readRgb(const fs::path &path, unsigned &width, unsigned &height)
{
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    std::vector<unsigned char> rgb;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return rgb;
    png.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(png));
    width = png.width;
    height = png.height;
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr))
        rgb.clear();
    return rgb;
}

// --size draws the same picture with more pixels: halved, 2048x1536 is close
// to 1024x768, yet holds far more than 1024x768 can (squeezed to that and
// stretched back it loses its edges, where a stretched 1024x768 loses
// nothing); another shape letterboxes the picture between black bars.
TEST_F(Snap, SizeDrawsTheSamePictureSharper)
{
    const std::string run = "--seed 42 --frames 600 --png %D/";
    ASSERT_EQ(snap(run + "a.png").status, 0);
    ASSERT_EQ(snap(run + "b.png --size 2048x1536").status, 0);
    unsigned w, h, bw, bh, cw, ch;
    const std::vector<unsigned char> a = readRgb(dir / "a.png", w, h);
    const std::vector<unsigned char> b = readRgb(dir / "b.png", bw, bh);
    ASSERT_EQ(bw * 10000 + bh, 20481536u);
    double close = 0.0, lost = 0.0;
    for (size_t y = 0; y < 768; y++)
        for (size_t x = 0; x < 1024 * 3; x++) {
            // Byte x of row y at 1024x768: one of its four at 2048x1536.
            const auto at = [&](size_t dy, size_t dx) {
                return (double)b[(2 * y + dy) * 2048 * 3 + 2 * (x - x % 3) + x % 3 + dx * 3];
            };
            const double halved = (at(0, 0) + at(0, 1) + at(1, 0) + at(1, 1)) / 4.0;
            close += (halved - a[y * 1024 * 3 + x]) * (halved - a[y * 1024 * 3 + x]);
            for (size_t d : {0u, 1u, 2u, 3u})
                lost += (at(d / 2, d % 2) - halved) * (at(d / 2, d % 2) - halved);
        }
    const double psnr = 10.0 * std::log10(255.0 * 255.0 / (close / (double)a.size()));
    const double rmse = std::sqrt(lost / (double)b.size()) / 255.0;
    std::printf("2048x1536 halved vs 1024x768: PSNR %.1f dB; lost squeezed: %.4f\n", psnr, rmse);
    EXPECT_GE(psnr, 25.0);
    EXPECT_GE(rmse, 0.03);
    // Wide or tall, the bars share the spare pixels, half on either side.
    for (const auto &shape : {std::array<unsigned, 4>{1600, 768, 288, 0}, {1024, 968, 0, 100}}) {
        const std::string size = std::to_string(shape[0]) + "x" + std::to_string(shape[1]);
        ASSERT_EQ(snap(run + "c.png --size " + size).status, 0);
        const std::vector<unsigned char> c = readRgb(dir / "c.png", cw, ch);
        ASSERT_EQ(cw * 10000 + ch, shape[0] * 10000 + shape[1]);
        for (size_t y = 0; y < ch; y++)
            for (size_t x = 0; x < cw * 3; x++) {
                // Left of or above the picture these wrap round past its size.
                const size_t px = x / 3 - shape[2], py = y - shape[3];
                const bool inside = px < 1024 && py < 768;
                ASSERT_EQ(c[y * cw * 3 + x], inside ? a[(py * 1024 + px) * 3 + x % 3] : 0)
                    << size << ": pixel " << x / 3 << "," << y;
            }
    }
}

// The README's still, made with the command it shows.
TEST_F(Snap, ReadmeStillComesFromItsCommand)
{
    ASSERT_EQ(snap("--seed 42 --frames 600 --png %D/city.png").status, 0);
    EXPECT_TRUE(readFile(dir / "city.png") == readFile(DOCS_DIR "/city.png"));
}

TEST_F(Snap, InfoIsTheDefaultAndDescribesTheWorld)
{
    const Outcome run = snap("--seed 4242 --frames 0");
    ASSERT_EQ(run.status, 0) << run.err;
    initmeSeeded(4242);
    const mycam &c = mycamz[0];
    char expected[512];
    std::snprintf(expected, sizeof expected,
                  "seed 4242\nframe 0\neye %.9g %.9g %.9g\nlook %.9g %.9g %.9g\n"
                  "cars -z 6000\ncars -x 0\ncars +z 0\ncars +x 0\ndraws 147600\n",
                  (double)c.xcam, (double)c.ycam, (double)c.zcam, (double)c.xlook,
                  (double)c.ylook, (double)c.zlook);
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "");
}

// The summary docs/snap.md shows, line for line: a running world, with cars
// in every direction.
TEST_F(Snap, InfoOfARunningWorld)
{
    const Outcome run = snap("--seed 42 --frames 600 --info");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "seed 42\nframe 600\neye 1748.42859 1250 -1386.59009\n"
                       "look -1.52499998 141.098282 4.48750019\ncars -z 1571\ncars -x 1573\n"
                       "cars +z 1422\ncars +x 1434\ndraws 147640\n");
}

// The largest numbers are taken as they are: the largest seed is the one
// used, and the largest step count gets past the command line to the early
// path check (its run would never end).
TEST_F(Snap, LargestNumbersAreAccepted)
{
    Outcome run = snap("--seed 4294967295 --frames 0 --state %D/s.bin --info");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("seed 4294967295\nframe 0\n", 0), 0u) << run.out;
    EXPECT_TRUE(readFile(dir / "s.bin") == stateAfter(4294967295u, 0));

    run = snap("--frames 18446744073709551615 --state /nonexistent/dir/x.bin");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot write /nonexistent/dir/x.bin"), std::string::npos) << run.err;
}

// A write that fails after the early checks (out of space halfway, at close,
// at the rename) is reported like any other failure, prints no summary and
// leaves neither the file nor its temporary behind.
TEST_F(Snap, LateWriteFailureLeavesNothing)
{
    // Both files end in the same writing; only the PNG fills it differently.
    const struct {
        const char *step, *option, *name, *reason;
    } faults[] = {
        {"fill", "--png", "p.png", "No space left on device"},
        {"fill", "--state", "s.bin", "No space left on device"},
        {"close", "--state", "s.bin", "Input/output error"},
        {"rename", "--state", "s.bin", "Invalid cross-device link"},
    };
    // LD_PRELOAD splits at spaces: the library goes in through a link in the
    // test's own folder, whose path has none.
    const fs::path lib = base / "write_fault.so";
    fs::create_symlink(WRITE_FAULT_LIB, lib);
    for (const auto &fault : faults) {
        SCOPED_TRACE(std::string(fault.step) + " " + fault.name);
        const Outcome run =
            snap(std::string("--seed 5 --frames 0 --info ") + fault.option + " %D/" + fault.name,
                 std::string("BOXCITY_WRITE_FAULT=") + fault.step +
                     " LD_PRELOAD=\"${LD_PRELOAD:+$LD_PRELOAD:}" + lib.string() + "\"");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "boxcity-snap: cannot write " + (dir / fault.name).string() + ": " +
                               fault.reason + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(fs::is_empty(dir));
    }
}

TEST_F(Snap, ClockSeedIsPrintedSoTheRunCanBeRepeated)
{
    const Outcome run = snap("--info");
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.err.rfind("boxcity-snap: seed ", 0), 0u) << run.err;
    const std::string seed = run.err.substr(19, run.err.find('\n') - 19);
    EXPECT_EQ(run.out.rfind("seed " + seed + "\nframe 1\n", 0), 0u) << run.out;
}

TEST_F(Snap, HelpPrintsUsageAndVersionTheProjectVersion)
{
    const Outcome run = snap("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("usage: boxcity-snap", 0), 0u);
    // Name and version, then the licence; nothing else is done.
    const Outcome version = snap("--seed 1 --png %D/x.png --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("boxcity-snap " BOXCITY_VERSION "\nCopyright", 0), 0u) << version.out;
    EXPECT_NE(version.out.find("\nLicense MIT"), std::string::npos) << version.out;
    EXPECT_FALSE(fs::exists(dir / "x.png"));
    // Text that could not be written is a failure, not a printed text.
    for (const std::string option : {"--help", "--version"}) {
        const int wait = std::system(("'" SNAP_BIN "' " + option + " >/dev/full 2>/dev/null").c_str());
        EXPECT_EQ(WEXITSTATUS(wait), 1) << option;
    }
}

TEST_F(Snap, BadInputGetsItsMessageAndStatusAndLeavesNoFile)
{
    const struct {
        const char *args, *env, *message;
        int status;
    } cases[] = {
        {"--bogus", "", "unknown option '--bogus'", 2},
        {"--seed", "", "--seed needs a value", 2},
        {"--png", "", "--png needs a value", 2},
        {"--state ''", "", "--state needs a value", 2},
        {"--frames abc", "", "--frames: 'abc' is not a number", 2},
        {"--frames 12x", "", "--frames: '12x' is not a number", 2},
        {"--seed +5", "", "--seed: '+5' is not a number", 2},
        {"--frames ' 7'", "", "--frames: ' 7' is not a number", 2},
        {"--frames '1\n2'", "", "--frames: '1\\x0a2' is not a number", 2},
        {"--seed -1", "", "--seed: '-1' is negative", 2},
        {"--seed 4294967296", "", "--seed: '4294967296' is too large (at most 4294967295)", 2},
        {"--frames 18446744073709551616", "", "is too large (at most 18446744073709551615)", 2},
        {"--state /nonexistent/dir/x.bin", "", "cannot write /nonexistent/dir/x.bin: No such", 1},
        {"--png %D/sub/x.png", "", "/sub/x.png: No such file or directory", 1},
        {"--state %D", "", "files: Is a directory", 1},
        {"", "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json", "no OpenGL for --png: ", 1},
    };
    for (const auto &c : cases) {
        // Valid outputs come first, so any file at all is a leak.
        const Outcome run = snap(std::string("--seed 5 --png %D/p.png --state %D/s.bin ") + c.args,
                             c.env);
        SCOPED_TRACE(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err.rfind("boxcity-snap: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("usage: boxcity-snap") != std::string::npos, c.status == 2);
        // One line naming the problem; the usage line after it for arguments.
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), c.status == 2 ? 2 : 1);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(fs::is_empty(dir));
    }
}

} // namespace
