// video.h -- writes a sequence of RGBA frames as a video through the FFmpeg
// libraries: the container and codec follow the file's extension, the
// encoding is deterministic (same frames, same bytes), and the file appears
// only once it is complete.
#pragma once

#include <memory>
#include <string>

// Checks that path's extension names a format this FFmpeg can write, before
// any work is done. Returns an empty string or the problem in one line.
std::string videoCheck(const std::string &path);

// The extensions videoCheck accepts, for messages and help: ".mp4, ...".
extern const char VIDEO_EXTENSIONS[];

struct VideoEncoder;                   // the FFmpeg state, in video.cpp

// Frames are filled by the caller into buffer() and handed over by submit();
// they are scaled and encoded on a second thread while the next one is drawn.
// Until finish() succeeds the output is a temporary file beside the path,
// removed by abort(), by the destructor, and on SIGINT, SIGTERM or SIGHUP.
class VideoWriter {
public:
    VideoWriter();
    ~VideoWriter();
    VideoWriter(const VideoWriter &) = delete;
    VideoWriter &operator=(const VideoWriter &) = delete;

    // Frames come in at srcW x srcH and are stored at outW x outH (even
    // sizes), played at fps. Returns an empty string or the problem.
    std::string open(const std::string &path, int srcW, int srcH, int outW, int outH, int fps);
    // Where the next frame goes: srcW x srcH RGBA, top row first.
    unsigned char *buffer();
    // Queues the frame in buffer(); returns the first encoding problem so far.
    std::string submit();
    // Encodes what is still queued, completes the file and renames it into
    // place. Returns an empty string or the problem (the file is then gone).
    std::string finish();
    // Stops and removes the temporary file.
    void abort();

private:
    std::unique_ptr<VideoEncoder> enc;
};
