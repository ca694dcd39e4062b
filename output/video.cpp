// video.cpp -- the video writer: swscale converts each RGBA frame, the codec
// encodes it on a worker thread, libavformat muxes into a temporary file that
// is renamed into place at the end. Bit-exact flags, one encoder thread and
// no creation time make the bytes depend on the frames alone.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "snap_out.h"
#include "video.h"

// What each extension is written as. The codec options aim at a picture
// close to the drawn one at a modest cost per frame; the animated image is
// meant for previews and favours size.
struct VideoFormat {
    const char *ext;
    const char *muxer;
    const char *codec;
    const char *codecOptions;          // key=value:key=value for the encoder
    const char *muxerOptions;
    int colorspace;                    // SWS_CS_*: the matrix the decoder expects
};

static const VideoFormat FORMATS[] = {
    {".mp4", "mp4", "libx264", "preset=ultrafast:crf=18", "movflags=+faststart", SWS_CS_ITU709},
    {".mkv", "matroska", "libx264", "preset=ultrafast:crf=18", "", SWS_CS_ITU709},
    {".webm", "webm", "libvpx-vp9", "crf=26:b=0:deadline=realtime:cpu-used=8:row-mt=0",
     "", SWS_CS_ITU709},
    {".webp", "webp", "libwebp_anim", "quality=70:compression_level=4", "loop=0",
     SWS_CS_ITU601},
};

const char VIDEO_EXTENSIONS[] = ".mp4, .mkv, .webm or .webp";

// The temporary file the signal handler removes; a plain array, since the
// handler may only touch what is async-signal-safe.
static char signalTempPath[PATH_MAX];
static volatile sig_atomic_t signalArmed = 0;
static const int CAUGHT[] = {SIGINT, SIGTERM, SIGHUP};
static struct sigaction previous[3];

struct VideoEncoder {
    const VideoFormat *format = nullptr;
    std::string path, tempPath;
    AVFormatContext *mux = nullptr;
    AVCodecContext *codec = nullptr;
    AVStream *stream = nullptr;
    SwsContext *sws = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    int srcW = 0, srcH = 0;
    int64_t nextPts = 0;

    std::vector<unsigned char> buffers[2];
    int filling = 0;                   // the buffer the caller draws into
    std::thread worker;
    std::mutex lock;
    std::condition_variable changed;
    const unsigned char *queued = nullptr;   // handed over, not yet encoded
    bool stopping = false;
    std::string problem;               // the first failure; written by the worker
};

static void removeOnSignal(int sig)
{
    if (signalArmed)
        unlink(signalTempPath);
    raise(sig);                        // the default action, restored by SA_RESETHAND
}

static void armSignals(const std::string &tempPath)
{
    std::snprintf(signalTempPath, sizeof signalTempPath, "%s", tempPath.c_str());
    signalArmed = 1;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = removeOnSignal;
    sa.sa_flags = SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    // An ignored signal (nohup, a background job) stays ignored.
    for (int i = 0; i < 3; i++)
        if (sigaction(CAUGHT[i], nullptr, &previous[i]) == 0 && previous[i].sa_handler != SIG_IGN)
            sigaction(CAUGHT[i], &sa, nullptr);
}

static void disarmSignals(void)
{
    if (!signalArmed)
        return;
    for (int i = 0; i < 3; i++)
        sigaction(CAUGHT[i], &previous[i], nullptr);
    signalArmed = 0;
}

static std::string avError(int err)
{
    char text[AV_ERROR_MAX_STRING_SIZE];
    av_strerror(err, text, sizeof text);
    return text;
}

static const VideoFormat *formatFor(const std::string &path)
{
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return nullptr;
    const std::string ext = path.substr(dot);
    for (const VideoFormat &f : FORMATS)
        if (strcasecmp(ext.c_str(), f.ext) == 0)
            return &f;
    return nullptr;
}

std::string videoCheck(const std::string &path)
{
    const VideoFormat *f = formatFor(path);
    if (!f)
        return "--video: '" + path + "' has no known extension (use " + VIDEO_EXTENSIONS + ")";
    if (!avcodec_find_encoder_by_name(f->codec))
        return std::string("--video: this FFmpeg has no ") + f->codec + " encoder for " + f->ext;
    if (!av_guess_format(f->muxer, nullptr, nullptr))
        return std::string("--video: this FFmpeg has no ") + f->muxer + " muxer for " + f->ext;
    return "";
}

// Sends one frame (null: the end) and writes whatever packets come out.
static std::string encode(VideoEncoder &e, const AVFrame *frame)
{
    int ret = avcodec_send_frame(e.codec, frame);
    if (ret < 0)
        return "encoding failed: " + avError(ret);
    for (;;) {
        ret = avcodec_receive_packet(e.codec, e.packet);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return "";
        if (ret < 0)
            return "encoding failed: " + avError(ret);
        av_packet_rescale_ts(e.packet, e.codec->time_base, e.stream->time_base);
        e.packet->stream_index = e.stream->index;
        ret = av_interleaved_write_frame(e.mux, e.packet);
        if (ret >= 0 && e.mux->pb->error < 0)
            ret = e.mux->pb->error;
        if (ret < 0)
            return "cannot write " + e.path + ": " + avError(ret);
    }
}

static std::string encodeRgba(VideoEncoder &e, const unsigned char *rgba)
{
    int ret = av_frame_make_writable(e.frame);
    if (ret < 0)
        return "encoding failed: " + avError(ret);
    const uint8_t *planes[1] = {rgba};
    const int strides[1] = {e.srcW * 4};
    sws_scale(e.sws, planes, strides, 0, e.srcH, e.frame->data, e.frame->linesize);
    e.frame->pts = e.nextPts++;
    return encode(e, e.frame);
}

static void work(VideoEncoder &e)
{
    std::unique_lock<std::mutex> held(e.lock);
    for (;;) {
        e.changed.wait(held, [&] { return e.queued || e.stopping; });
        if (!e.queued)
            return;
        const unsigned char *rgba = e.queued;
        const bool failed = !e.problem.empty();
        held.unlock();
        // After a failure the frames are only taken off the queue.
        std::string problem = failed ? "" : encodeRgba(e, rgba);
        held.lock();
        if (!problem.empty())
            e.problem = problem;
        e.queued = nullptr;
        e.changed.notify_all();
    }
}

// Stops the worker once the queue is empty.
static void stopWorker(VideoEncoder &e)
{
    if (!e.worker.joinable())
        return;
    {
        std::lock_guard<std::mutex> held(e.lock);
        e.stopping = true;
    }
    e.changed.notify_all();
    e.worker.join();
}

static void release(VideoEncoder &e)
{
    stopWorker(e);
    sws_freeContext(e.sws);
    e.sws = nullptr;
    av_frame_free(&e.frame);
    av_packet_free(&e.packet);
    avcodec_free_context(&e.codec);
    if (e.mux) {
        avio_closep(&e.mux->pb);
        avformat_free_context(e.mux);
        e.mux = nullptr;
    }
    if (!e.tempPath.empty()) {
        unlink(e.tempPath.c_str());
        e.tempPath.clear();
    }
    disarmSignals();
}

// The muxer reopens the file by name; it only has to exist, armed for removal.
// The signals wait while it is created, so that none can come between the
// file appearing and the handler knowing it.
static std::string makeTemporary(VideoEncoder &e)
{
    sigset_t caught, before;
    sigemptyset(&caught);
    for (int sig : CAUGHT)
        sigaddset(&caught, sig);
    pthread_sigmask(SIG_BLOCK, &caught, &before);
    const int fd = createTemporary(e.path, e.tempPath);
    const int err = errno;
    if (fd >= 0)
        armSignals(e.tempPath);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (fd < 0)
        return cannotWrite(e.path, err);
    close(fd);
    return "";
}

static std::string setUp(VideoEncoder &e, int outW, int outH, int fps)
{
    const VideoFormat &f = *e.format;
    std::string problem = makeTemporary(e);
    if (!problem.empty())
        return problem;

    int ret = avformat_alloc_output_context2(&e.mux, nullptr, f.muxer, e.tempPath.c_str());
    if (ret < 0)
        return std::string("cannot set up the ") + f.muxer + " muxer: " + avError(ret);
    e.mux->flags |= AVFMT_FLAG_BITEXACT;
    const AVCodec *codec = avcodec_find_encoder_by_name(f.codec);
    e.stream = avformat_new_stream(e.mux, nullptr);
    e.codec = avcodec_alloc_context3(codec);
    e.frame = av_frame_alloc();
    e.packet = av_packet_alloc();
    if (!codec || !e.stream || !e.codec || !e.frame || !e.packet)
        return std::string("cannot set up the ") + f.codec + " encoder";

    AVCodecContext *c = e.codec;
    c->width = outW;
    c->height = outH;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, fps};
    c->framerate = AVRational{fps, 1};
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_BITEXACT;
    c->color_range = AVCOL_RANGE_MPEG;
    if (f.colorspace == SWS_CS_ITU709) {
        c->colorspace = AVCOL_SPC_BT709;
        c->color_primaries = AVCOL_PRI_BT709;
        c->color_trc = AVCOL_TRC_BT709;
    } else {
        c->colorspace = AVCOL_SPC_SMPTE170M;
    }
    if (e.mux->oformat->flags & AVFMT_GLOBALHEADER)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary *options = nullptr;
    av_dict_parse_string(&options, f.codecOptions, "=", ":", 0);
    ret = avcodec_open2(c, codec, &options);
    av_dict_free(&options);
    if (ret < 0)
        return std::string("cannot open the ") + f.codec + " encoder: " + avError(ret);
    ret = avcodec_parameters_from_context(e.stream->codecpar, c);
    if (ret < 0)
        return std::string("cannot set up the ") + f.muxer + " muxer: " + avError(ret);
    e.stream->time_base = c->time_base;
    e.stream->avg_frame_rate = c->framerate;

    ret = avio_open(&e.mux->pb, e.tempPath.c_str(), AVIO_FLAG_WRITE);
    if (ret < 0)
        return "cannot write " + e.path + ": " + avError(ret);
    av_dict_parse_string(&options, f.muxerOptions, "=", ":", 0);
    ret = avformat_write_header(e.mux, &options);
    av_dict_free(&options);
    if (ret < 0)
        return "cannot write " + e.path + ": " + avError(ret);

    e.frame->format = c->pix_fmt;
    e.frame->width = outW;
    e.frame->height = outH;
    ret = av_frame_get_buffer(e.frame, 0);
    if (ret < 0)
        return "encoding failed: " + avError(ret);
    // Bit-exact scaling: the SIMD paths may round differently from machine to machine.
    e.sws = sws_getContext(e.srcW, e.srcH, AV_PIX_FMT_RGBA, outW, outH, c->pix_fmt,
                           SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr, nullptr,
                           nullptr);
    if (!e.sws)
        return "cannot set up the scaler";
    const int *coefficients = sws_getCoefficients(f.colorspace);
    sws_setColorspaceDetails(e.sws, coefficients, 1, coefficients, 0, 0, 1 << 16, 1 << 16);
    return "";
}

VideoWriter::VideoWriter() = default;

VideoWriter::~VideoWriter()
{
    abort();
}

std::string VideoWriter::open(const std::string &path, int srcW, int srcH, int outW, int outH,
                              int fps)
{
    abort();
    // Problems come back as one line each; the libraries' chatter would only
    // clutter stderr.
    av_log_set_level(AV_LOG_QUIET);
    enc.reset(new VideoEncoder);
    VideoEncoder &e = *enc;
    e.format = formatFor(path);
    if (!e.format)
        return videoCheck(path);
    e.path = path;
    e.srcW = srcW;
    e.srcH = srcH;
    const std::string problem = setUp(e, outW, outH, fps);
    if (!problem.empty()) {
        abort();
        return problem;
    }
    for (auto &b : e.buffers)
        b.resize((size_t)srcW * (size_t)srcH * 4);
    e.worker = std::thread(work, std::ref(e));
    return "";
}

unsigned char *VideoWriter::buffer()
{
    return enc->buffers[enc->filling].data();
}

std::string VideoWriter::submit()
{
    VideoEncoder &e = *enc;
    std::unique_lock<std::mutex> held(e.lock);
    // One frame is encoded while the next is drawn: wait for the one before.
    e.changed.wait(held, [&] { return e.queued == nullptr; });
    e.queued = e.buffers[e.filling].data();
    e.filling ^= 1;
    e.changed.notify_all();
    return e.problem;
}

std::string VideoWriter::finish()
{
    VideoEncoder &e = *enc;
    stopWorker(e);
    std::string problem = e.problem;
    if (problem.empty())
        problem = encode(e, nullptr);
    if (problem.empty()) {
        int ret = av_write_trailer(e.mux);
        if (ret >= 0 && e.mux->pb->error < 0)
            ret = e.mux->pb->error;
        if (ret >= 0)
            ret = avio_closep(&e.mux->pb);
        if (ret < 0)
            problem = "cannot write " + e.path + ": " + avError(ret);
    }
    if (problem.empty() && std::rename(e.tempPath.c_str(), e.path.c_str()) != 0)
        problem = cannotWrite(e.path, errno);
    if (problem.empty())
        e.tempPath.clear();            // in place: nothing left to remove
    abort();
    return problem;
}

void VideoWriter::abort()
{
    if (!enc)
        return;
    release(*enc);
    enc.reset();
}
