#pragma once
// Writing side of the AVI layer: one video stream muxed by FFmpeg into an
// AtomicFileWriter, in the container the file's name chooses (AVI, MP4, QuickTime,
// Matroska, WebM). Full frames (AVI only) are stored as they come; other handlers go
// through an FFmpeg encoder.
#include <memory>
#include <string>

#include "platform/AviFile.h"
#include "platform/FileBytes.h"

struct AVCodec;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVIOContext;
struct AVPacket;
struct AVStream;
struct SwsContext;

namespace nalo {

class AviMuxer {
public:
    // Creates the new file beside `path`; raises RuntimeError naming it when it cannot.
    explicit AviMuxer(const std::string& path);
    ~AviMuxer();
    AviMuxer(const AviMuxer&) = delete;
    AviMuxer& operator=(const AviMuxer&) = delete;

    AviResult createStream(const AVISTREAMINFOA& info);
    AviResult setCompression(const AVICOMPRESSOPTIONS& options);
    AviResult setFormat(const BITMAPINFOHEADER& format);
    AviResult write(int32_t frame, const void* pixels, int32_t size);
    AviResult commit();

    bool hasStream() const { return stream_ != nullptr; }
    int32_t framesWritten() const { return frames_; }
    const AVISTREAMINFOA& info() const { return info_; }
    VideoContainer container() const { return container_; }
    // The frame size stored, once the format is set (see AVIStreamStoredSize).
    bool storedSize(int32_t& width, int32_t& height) const;
    const std::string& error() const { return error_; }

    // The muxer's IO callbacks (opaque: the AviMuxer).
    static int writeBytes(void* opaque, const uint8_t* data, int size);
    static int64_t seekTo(void* opaque, int64_t offset, int whence);

private:
    AviResult openEncoder();
    AviResult openEncoderAt(const AVCodec* codec, int width, int height);
    void padEdges(int width, int height);
    AviResult writeEncoded(const AVFrame* frame);
    AviResult writePacketOut(AVPacket* packet);
    AviResult fail(AviResult result, const std::string& why);

    std::string path_;
    VideoContainer container_ = VideoContainer::Avi;
    std::unique_ptr<AtomicFileWriter> out_;
    AVFormatContext* format_ = nullptr;
    AVIOContext* io_ = nullptr;
    AVStream* stream_ = nullptr;
    AVCodecContext* encoder_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* sws_ = nullptr;
    AVISTREAMINFOA info_;
    AVICOMPRESSOPTIONS options_;
    BITMAPINFOHEADER frameFormat_;
    int64_t position_ = 0, size_ = 0;  // of the new file, as the muxer sees it
    int32_t frames_ = 0, next_ = 0, stride_ = 0;
    uint32_t imageSize_ = 0;
    bool compressionSet_ = false, formatSet_ = false, headerWritten_ = false, failed_ = false, done_ = false;
    AviResult failure_ = AVIERR_OK;
    std::string error_;
};

}  // namespace nalo
