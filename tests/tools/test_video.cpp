// test_video.cpp -- boxcity-snap --video end to end: the files decoded with
// libavformat/libavcodec (frames, size, duration, the first and last picture
// against the same steps drawn in-process), the same bytes twice, and bad
// input, full disk and signals leaving no file behind, progress on a terminal.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "offscreen.h"
#include "render.h"
#include "sim.h"
#include "snap_run.h"
#include "world.h"

namespace {

using Picture = std::vector<unsigned char>;          // RGBA, top row first

struct Decoded {
    std::string codec;
    int width = 0, height = 0, frames = 0;
    int format = -1;                                 // the pixel format of the frames
    double seconds = 0;                              // the stream's duration
    Picture first, last;
};

// Every frame of the file's video stream, the first and last as RGBA.
Decoded decode(const fs::path &file)
{
    Decoded d;
    AVFormatContext *fmt = nullptr;
    if (avformat_open_input(&fmt, file.c_str(), nullptr, nullptr) < 0)
        return d;
    avformat_find_stream_info(fmt, nullptr);
    const AVCodec *codec = nullptr;
    const int index = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    AVCodecContext *ctx = avcodec_alloc_context3(codec);
    if (index < 0 || !ctx)
        return d;
    const AVStream *stream = fmt->streams[index];
    avcodec_parameters_to_context(ctx, stream->codecpar);
    avcodec_open2(ctx, codec, nullptr);
    d.codec = codec->name;
    d.width = ctx->width;
    d.height = ctx->height;
    if (stream->duration != AV_NOPTS_VALUE)
        d.seconds = (double)stream->duration * av_q2d(stream->time_base);
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    auto drain = [&] {
        while (avcodec_receive_frame(ctx, frame) == 0) {
            d.frames++;
            d.format = frame->format;
            Picture rgba((size_t)frame->width * (size_t)frame->height * 4);
            SwsContext *sws = sws_getContext(frame->width, frame->height,
                                             (AVPixelFormat)frame->format, frame->width,
                                             frame->height, AV_PIX_FMT_RGBA,
                                             SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT |
                                                 SWS_FULL_CHR_H_INT,
                                             nullptr, nullptr, nullptr);
            const int *matrix = sws_getCoefficients(frame->colorspace);
            sws_setColorspaceDetails(sws, matrix, frame->color_range == AVCOL_RANGE_JPEG,
                                     matrix, 1, 0, 1 << 16, 1 << 16);
            uint8_t *planes[1] = {rgba.data()};
            const int strides[1] = {frame->width * 4};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
            sws_freeContext(sws);
            if (d.frames == 1)
                d.first = rgba;
            d.last = std::move(rgba);
        }
    };
    while (av_read_frame(fmt, packet) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(ctx, packet) >= 0)
            drain();
        av_packet_unref(packet);
    }
    avcodec_send_packet(ctx, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return d;
}

// Peak signal-to-noise ratio over the colour channels, in dB.
double psnr(const Picture &a, const Picture &b)
{
    if (a.size() != b.size() || a.empty())
        return 0;
    double sum = 0;
    for (size_t i = 0; i < a.size(); i++) {
        if (i % 4 == 3)
            continue;
        const double diff = (double)a[i] - (double)b[i];
        sum += diff * diff;
    }
    const double mse = sum / (double)(a.size() / 4 * 3);
    return mse == 0 ? INFINITY : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// An animated WebP's canvas size, frame count and loop count (0: forever),
// from its chunks.
void webpAnimation(const std::string &bytes, int &width, int &height, int &frames, int &loops)
{
    auto u24 = [&](size_t at) {
        return (int)((unsigned char)bytes[at] | (unsigned char)bytes[at + 1] << 8 |
                     (unsigned char)bytes[at + 2] << 16);
    };
    width = height = frames = 0;
    loops = -1;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const size_t size = (size_t)u24(at + 4) | (size_t)(unsigned char)bytes[at + 7] << 24;
        if (id == "VP8X" && at + 18 <= bytes.size()) {
            width = u24(at + 12) + 1;
            height = u24(at + 15) + 1;
        }
        frames += id == "ANMF";
        if (id == "ANIM" && at + 14 <= bytes.size())
            loops = (unsigned char)bytes[at + 12] | (unsigned char)bytes[at + 13] << 8;
        at += 8 + size + (size & 1);
    }
}

class Video : public SnapRun {
protected:
    // What the tool shows on a terminal as its stderr until `until` appears
    // (at most 60 s); it is then interrupted.
    std::string onTerminal(const std::string &args, const std::string &until)
    {
        int terminal = -1;
        const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
        if (pid == 0) {
            const std::string line = "exec '" SNAP_BIN "' " + args + " >/dev/null";
            execl("/bin/sh", "sh", "-c", line.c_str(), (char *)nullptr);
            _exit(127);
        }
        std::string shown;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (pid > 0 && shown.find(until) == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd ready = {terminal, POLLIN, 0};
            char chunk[512];
            ssize_t n = 0;
            if (poll(&ready, 1, 100) > 0 && (n = read(terminal, chunk, sizeof chunk)) <= 0)
                break;
            shown.append(chunk, (size_t)(n > 0 ? n : 0));
        }
        kill(pid, SIGINT);
        waitpid(pid, nullptr, 0);
        close(terminal);
        return shown;
    }
};

TEST_F(Video, Mp4HoldsTheFramesTheProgramDrawsAndIsTheSameEveryTime)
{
    const Outcome run = snap("--seed 99 --frames 40 --length 6 --fps 30 --video %D/a.mp4");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "");                          // no summary unless asked for
    ASSERT_EQ(snap("--seed 99 --frames 40 --length 6 --fps 30 --video %D/b.mp4").status, 0);
    const std::string bytes = readFile(dir / "a.mp4");
    EXPECT_TRUE(bytes == readFile(dir / "b.mp4"));
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));  // the index first: plays while loading

    const Decoded d = decode(dir / "a.mp4");
    EXPECT_EQ(d.codec, "h264");
    EXPECT_EQ(d.format, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(d.width, 1024);
    EXPECT_EQ(d.height, 768);
    EXPECT_EQ(d.frames, 6);
    EXPECT_NEAR(d.seconds, 0.2, 1e-6);

    // Steps 40 and 45, drawn here.
    const char *why = offscreenOpen(1024, 768);
    ASSERT_EQ(why, nullptr) << why;
    initGL();
    initmeSeeded(99);
    Picture first(1024 * 768 * 4), last(first.size());
    for (int f = 0; f < 45; f++) {
        calcme();
        if (f == 39) {
            drawFrame();
            offscreenRead(first.data());
        }
    }
    drawFrame();
    offscreenRead(last.data());
    offscreenClose();
    EXPECT_GE(psnr(d.first, first), 30.0);
    EXPECT_GE(psnr(d.last, last), 30.0);
    EXPECT_LT(psnr(d.first, last), 30.0);            // the frames differ, and are in order
}

// ... and each writes the same bytes every time.
TEST_F(Video, EveryFormatHasItsCodecSizeAndLength)
{
    for (const char *ext : {"mkv", "webm", "webp"}) {
        SCOPED_TRACE(ext);
        const std::string args = "--seed 3 --length 3 --size 320x240 --fps 25 --video %D/";
        for (const char *name : {"a.", "b."}) {
            const Outcome run = snap(args + name + ext);
            ASSERT_EQ(run.status, 0) << run.err;
        }
        const std::string file = std::string("a.") + ext;
        EXPECT_TRUE(readFile(dir / file) == readFile(dir / (std::string("b.") + ext)));
        if (ext == std::string("webp"))
            break;
        const Decoded d = decode(dir / file);
        EXPECT_EQ(d.codec, ext == std::string("mkv") ? "h264" : "vp9");
        EXPECT_EQ(d.format, AV_PIX_FMT_YUV420P);
        EXPECT_EQ(d.width, 320);
        EXPECT_EQ(d.height, 240);
        EXPECT_EQ(d.frames, 3);
    }
    int width, height, frames, loops;
    webpAnimation(readFile(dir / "a.webp"), width, height, frames, loops);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(loops, 0);
}

// --png, --state and --info beside --video describe step F, as without it,
// and are written once the video is complete; the rate defaults to 60.
TEST_F(Video, OtherOutputsDescribeTheFirstFilmedStep)
{
    const Outcome alone = snap("--seed 7 --frames 5 --png %D/alone.png --state %D/alone.bin --info");
    ASSERT_EQ(alone.status, 0) << alone.err;
    const Outcome run = snap("--seed 7 --frames 5 --length 3 --video %D/v.mp4 "
                             "--png %D/p.png --state %D/s.bin --info");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, alone.out);
    EXPECT_TRUE(readFile(dir / "p.png") == readFile(dir / "alone.png"));
    EXPECT_TRUE(readFile(dir / "s.bin") == readFile(dir / "alone.bin"));
    EXPECT_GE(fs::last_write_time(dir / "p.png"), fs::last_write_time(dir / "v.mp4"));
    EXPECT_GE(fs::last_write_time(dir / "s.bin"), fs::last_write_time(dir / "v.mp4"));
    const Decoded d = decode(dir / "v.mp4");
    EXPECT_EQ(d.width, 1024);
    EXPECT_EQ(d.frames, 3);
    EXPECT_NEAR(d.seconds, 3.0 / 60.0, 1e-6);
}

TEST_F(Video, BadInputFullDiskAndSignalsLeaveNoFile)
{
    const struct {
        const char *args, *prefix, *message;
        int status;
    } cases[] = {
        {"--video %D/v.avi", "", "--video: '", 2},
        {"--video %D/mp4", "", "has no known extension (use .mp4", 2},
        {"--video %D/v.mp4 --length 0", "", "--length: '0' must be at least 1", 2},
        {"--video %D/v.mp4 --length 1000001", "", "is too large (at most 1000000)", 2},
        {"--video %D/v.mp4 --fps 1001", "", "--fps: '1001' is too large (at most 1000)", 2},
        {"--video %D/v.mp4 --size 14x16", "", "needs even sizes from 16 to 4096", 2},
        {"--video %D/v.mp4 --size 16x4098", "", "needs even sizes from 16 to 4096", 2},
        {"--video %D/v.mp4 --fps 0", "", "--fps: '0' must be at least 1", 2},
        {"--video %D/v.mp4 --fps 29.97", "", "--fps: '29.97' is not a number", 2},
        {"--video %D/v.mp4 --size 640", "", "--size: '640' is not WxH", 2},
        {"--video %D/v.mp4 --size 641x480", "", "needs even sizes from 16 to 4096", 2},
        {"--video %D/v.mp4 --size 8192x480", "", "needs even sizes from 16 to 4096", 2},
        {"--length 5", "", "--length needs --video", 2},
        {"--video /nonexistent/v.mp4", "", "cannot write /nonexistent/v.mp4: No such", 1},
        // A file-size limit stands in for a full disk: writes fail part way.
        {"--video %D/v.mp4 --length 30", "trap '' XFSZ; ulimit -f 64;",
         "v.mp4: File too large", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        // The other outputs are valid, so any file at all is a leak.
        const Outcome run =
            snap(std::string("--seed 5 --png %D/p.png --state %D/s.bin ") + c.args, c.prefix);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err.rfind("boxcity-snap: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), c.status == 2 ? 2 : 1);
        EXPECT_TRUE(fs::is_empty(dir));
    }

    // Ctrl-C, SIGTERM and SIGHUP while filming: the temporary file goes with
    // the program, which ends by that signal. An ignored SIGHUP (nohup)
    // stays ignored.
    const struct {
        int sig;
        const char *prefix;
        bool survives;
    } signals[] = {
        {SIGINT, "", false}, {SIGTERM, "", false}, {SIGHUP, "", false}, {SIGHUP, "trap '' HUP;", true}};
    for (const auto &s : signals) {
        SCOPED_TRACE(std::string(strsignal(s.sig)) + (s.survives ? ", ignored" : ""));
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c",
                  command("--seed 5 --length 100000 --video %D/v.mp4", s.prefix).c_str(),
                  (char *)nullptr);
            _exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (fs::is_empty(dir) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(fs::is_empty(dir));             // filming had begun
        kill(pid, s.sig);
        int wait = 0;
        if (s.survives) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            EXPECT_EQ(waitpid(pid, &wait, WNOHANG), 0) << "ended by an ignored SIGHUP";
            EXPECT_FALSE(fs::is_empty(dir));
            kill(pid, SIGINT);
        }
        waitpid(pid, &wait, 0);
        EXPECT_TRUE(WIFSIGNALED(wait) && WTERMSIG(wait) == (s.survives ? SIGINT : s.sig));
        EXPECT_TRUE(fs::is_empty(dir));
        EXPECT_EQ(readFile(base / "err"), "");       // no progress off a terminal
    }
}

// A write that fails once filming has begun (out of space halfway, at the
// close of the file, at the rename into place): status 1, one line naming
// the video and the reason, and neither the video nor its temporary left.
TEST_F(Video, LateWriteFailureLeavesNoFile)
{
    const struct {
        const char *step, *reason;
    } faults[] = {
        {"fill", "No space left on device"},
        {"close", "Input/output error"},
        {"rename", "Invalid cross-device link"},
    };
    const fs::path lib = base / "write_fault.so";      // LD_PRELOAD splits at spaces
    fs::create_symlink(WRITE_FAULT_LIB, lib);
    for (const auto &fault : faults) {
        SCOPED_TRACE(fault.step);
        const Outcome run =
            snap("--seed 5 --length 3 --video %D/v.mp4",
                 std::string("BOXCITY_WRITE_FAULT=") + fault.step +
                     " LD_PRELOAD=\"${LD_PRELOAD:+$LD_PRELOAD:}" + lib.string() + "\"");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "boxcity-snap: cannot write " + (dir / "v.mp4").string() + ": " +
                               fault.reason + "\n");
        EXPECT_TRUE(fs::is_empty(dir));
    }
}

// Progress goes to stderr only where it is a terminal: the steps, then the
// video frame of the default 600, the rate and the time left.
TEST_F(Video, ProgressShowsOnATerminal)
{
    std::string shown = onTerminal("--seed 5 --frames 100000000 --info", " of 100000000 (");
    EXPECT_NE(shown.find("boxcity-snap: frame "), std::string::npos) << shown;
    shown = onTerminal("--seed 5 --size 16x16 --video '" + (dir / "v.mp4").string() + "'", " left");
    EXPECT_NE(shown.find("boxcity-snap: video frame "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" of 600, "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" fps, "), std::string::npos) << shown;
    EXPECT_TRUE(fs::is_empty(dir));
}

} // namespace
