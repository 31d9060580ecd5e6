#include "platform/AviMuxer.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Dib.h"
#include "platform/FfmpegLibrary.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

constexpr int IoBufferSize = 1 << 16;

// The write callback's buffer became const in libavformat 61.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
int ioWrite(void* opaque, const uint8_t* data, int size) { return AviMuxer::writeBytes(opaque, data, size); }
#else
int ioWrite(void* opaque, uint8_t* data, int size) { return AviMuxer::writeBytes(opaque, data, size); }
#endif

struct EncoderChoice {
    uint32_t handler;
    AVCodecID codec;
    const char* name;
    bool quality;
};
constexpr EncoderChoice Encoders[] = {
    {comptypeMJPG, AV_CODEC_ID_MJPEG, "Motion JPEG", true},
    {comptypeFMP4, AV_CODEC_ID_MPEG4, "MPEG-4 Part 2", true},
    {comptypeFFV1, AV_CODEC_ID_FFV1, "FFV1 (lossless)", false},
    {comptypeH264, AV_CODEC_ID_H264, "H.264", true},
};

const EncoderChoice* encoderFor(uint32_t handler) {
    for (const EncoderChoice& e : Encoders)
        if (e.handler == handler) return &e;
    return nullptr;
}

bool fullFrames(uint32_t handler) { return handler == comptypeDIB || handler == 0; }

AVPixelFormat dibPixelFormat(int bitCount) { return bitCount == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGR0; }

// The encoder's input format: FFV1 keeps the pixels exactly (BGR0), the others
// take their first format.
AVPixelFormat encoderPixelFormat(const AVCodec* codec) {
    const AVPixelFormat* f = codec->pix_fmts;
    if (!f) return AV_PIX_FMT_YUV420P;
    if (codec->id == AV_CODEC_ID_FFV1)
        for (const AVPixelFormat* p = f; *p != AV_PIX_FMT_NONE; ++p)
            if (*p == AV_PIX_FMT_BGR0) return *p;
    return f[0];
}

}  // namespace

std::vector<AviCompressor> AviCompressors() {
    std::vector<AviCompressor> list{{comptypeDIB, "Full Frames (Uncompressed)", false, false, false}};
    for (const EncoderChoice& e : Encoders)
        if (ffmpeg().avcodec_find_encoder(e.codec)) list.push_back({e.handler, e.name, e.quality, true, true});
    return list;
}

AviMuxer::AviMuxer(const std::string& path) : path_(path) {
    out_ = std::make_unique<AtomicFileWriter>(path, "AVIFile");
    const FfmpegApi& av = ffmpeg();
    if (av.avformat_alloc_output_context2(&format_, nullptr, "avi", nullptr) < 0 || !format_)
        throw RuntimeError(err::OutOfMemory, "AVIFile", "no AVI muxer: " + path);
    auto* buffer = static_cast<unsigned char*>(av.av_malloc(IoBufferSize));
    if (buffer) io_ = av.avio_alloc_context(buffer, IoBufferSize, 1, this, nullptr, &ioWrite, &AviMuxer::seekTo);
    if (!io_) {
        av.av_free(buffer);
        throw RuntimeError(err::OutOfMemory, "AVIFile", "Out of memory: " + path);
    }
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    packet_ = av.av_packet_alloc();
    if (!packet_) throw RuntimeError(err::OutOfMemory, "AVIFile", "Out of memory: " + path);
}

AviMuxer::~AviMuxer() {
    const FfmpegApi& av = ffmpeg();
    av.sws_freeContext(sws_);
    av.av_frame_free(&frame_);
    av.av_packet_free(&packet_);
    av.avcodec_free_context(&encoder_);
    av.avformat_free_context(format_);
    if (io_) {
        av.av_freep(&io_->buffer);
        av.avio_context_free(&io_);
    }
    // out_ goes last: without a commit it removes the new file.
}

int AviMuxer::writeBytes(void* opaque, const uint8_t* data, int size) {
    auto* self = static_cast<AviMuxer*>(opaque);
    if (!self->out_) return AVERROR(EIO);
    try {
        self->out_->write(data, size_t(size));
    } catch (const RuntimeError& e) {
        self->error_ = e.description();
        self->out_.reset();
        return AVERROR(EIO);
    }
    self->position_ += size;
    self->size_ = std::max(self->size_, self->position_);
    return size;
}

int64_t AviMuxer::seekTo(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<AviMuxer*>(opaque);
    if (whence & AVSEEK_SIZE) return self->size_;
    int64_t target = (whence & 3) == SEEK_SET ? offset : (whence & 3) == SEEK_CUR ? self->position_ + offset : self->size_ + offset;
    if (!self->out_ || target < 0) return AVERROR(EINVAL);
    try {
        self->out_->seek(uint64_t(target));
    } catch (const RuntimeError& e) {
        self->error_ = e.description();
        self->out_.reset();
        return AVERROR(EIO);
    }
    self->position_ = target;
    return target;
}

AviResult AviMuxer::fail(AviResult result, const std::string& why) {
    if (!failed_) {
        failed_ = true;
        failure_ = result;
        if (error_.empty()) error_ = path_ + ": " + why;
    }
    return failure_;
}

AviResult AviMuxer::createStream(const AVISTREAMINFOA& info) {
    if (stream_ || done_) return AVIERR_UNSUPPORTED;
    const int w = info.rcFrame.right - info.rcFrame.left, h = info.rcFrame.bottom - info.rcFrame.top;
    if (info.fccType != streamtypeVIDEO) return AVIERR_UNSUPPORTED;
    if (info.dwRate == 0 || info.dwScale == 0 || info.dwRate > INT32_MAX || info.dwScale > INT32_MAX)
        return AVIERR_BADPARAM;
    if (w <= 0 || h <= 0 || w > MaxAviFrameSide || h > MaxAviFrameSide || int64_t(w) * h > MaxAviFramePixels)
        return AVIERR_BADSIZE;
    stream_ = ffmpeg().avformat_new_stream(format_, nullptr);
    if (!stream_) return AVIERR_MEMORY;
    info_ = info;
    stream_->time_base = AVRational{int(info.dwScale), int(info.dwRate)};
    stream_->avg_frame_rate = AVRational{int(info.dwRate), int(info.dwScale)};
    return AVIERR_OK;
}

AviResult AviMuxer::setCompression(const AVICOMPRESSOPTIONS& options) {
    if (!stream_ || compressionSet_) return AVIERR_UNSUPPORTED;
    if (!fullFrames(options.fccHandler)) {
        const EncoderChoice* e = encoderFor(options.fccHandler);
        if (!e || !ffmpeg().avcodec_find_encoder(e->codec)) return AVIERR_NOCOMPRESSOR;
    }
    options_ = options;
    compressionSet_ = true;
    return AVIERR_OK;
}

AviResult AviMuxer::setFormat(const BITMAPINFOHEADER& format) {
    if (!compressionSet_ || formatSet_ || headerWritten_) return AVIERR_UNSUPPORTED;
    const int w = info_.rcFrame.right - info_.rcFrame.left, h = info_.rcFrame.bottom - info_.rcFrame.top;
    if (format.biSize < 40 || format.biWidth != w || std::abs(format.biHeight) != h || format.biPlanes != 1 ||
        (format.biBitCount != 24 && format.biBitCount != 32) || format.biCompression != 0)
        return AVIERR_BADFORMAT;
    frameFormat_ = format;
    stride_ = int32_t(dibStride(w, format.biBitCount));
    imageSize_ = uint32_t(stride_) * uint32_t(h);
    AVCodecParameters* par = stream_->codecpar;
    if (fullFrames(options_.fccHandler)) {
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->codec_tag = 0;
        par->width = w;
        par->height = h;
        par->format = dibPixelFormat(format.biBitCount);
        par->bits_per_coded_sample = format.biBitCount;
        // Bottom-up rows are stored as they are, under a positive height.
        if (format.biHeight > 0) ffmpeg().av_opt_set_int(format_->priv_data, "flipped_raw_rgb", 1, 0);
    } else if (AviResult r = openEncoder(); r != AVIERR_OK) {
        return r;
    }
    formatSet_ = true;
    return AVIERR_OK;
}

AviResult AviMuxer::openEncoder() {
    const FfmpegApi& av = ffmpeg();
    const AVCodec* codec = av.avcodec_find_encoder(encoderFor(options_.fccHandler)->codec);
    if (!codec) return AVIERR_NOCOMPRESSOR;
    encoder_ = av.avcodec_alloc_context3(codec);
    frame_ = av.av_frame_alloc();
    if (!encoder_ || !frame_) return AVIERR_MEMORY;
    AVCodecContext* c = encoder_;
    c->width = frameFormat_.biWidth;
    c->height = std::abs(frameFormat_.biHeight);
    c->pix_fmt = encoderPixelFormat(codec);
    c->time_base = stream_->time_base;
    c->framerate = stream_->avg_frame_rate;
    c->max_b_frames = 0;  // AVI stores no times: frames leave in display order
    c->thread_count = 0;
    if (options_.dwFlags & AVICOMPRESSF_KEYFRAMES) c->gop_size = int(std::clamp<uint32_t>(options_.dwKeyFrameEvery, 1, 600));
    const double quality = std::min<uint32_t>(options_.dwQuality, 10000) / 10000.0;  // 1 = best
    if ((options_.dwFlags & AVICOMPRESSF_DATARATE) && options_.dwBytesPerSecond > 0) {
        c->bit_rate = int64_t(options_.dwBytesPerSecond) * 8;
    } else if (codec->id == AV_CODEC_ID_H264) {
        av.av_opt_set_double(c->priv_data, "crf", 51.0 - 51.0 * quality, 0);
    } else if (codec->id != AV_CODEC_ID_FFV1) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = int(FF_QP2LAMBDA * (31.0 - 29.0 * quality + 0.5));
    }
    if (codec->id == AV_CODEC_ID_MJPEG) c->color_range = AVCOL_RANGE_JPEG;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (av.avcodec_open2(c, codec, nullptr) < 0) return AVIERR_CANTCOMPRESS;
    if (av.avcodec_parameters_from_context(stream_->codecpar, c) < 0) return AVIERR_MEMORY;
    frame_->format = c->pix_fmt;
    frame_->width = c->width;
    frame_->height = c->height;
    if (av.av_frame_get_buffer(frame_, 0) < 0) return AVIERR_MEMORY;
    sws_ = av.sws_getContext(c->width, c->height, dibPixelFormat(frameFormat_.biBitCount), c->width, c->height,
                             c->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr);
    return sws_ ? AVIERR_OK : AVIERR_CANTCOMPRESS;
}

AviResult AviMuxer::writePacketOut(AVPacket* packet) {
    packet->stream_index = stream_->index;
    if (ffmpeg().av_write_frame(format_, packet) < 0) return fail(AVIERR_FILEWRITE, "write error");
    return AVIERR_OK;
}

AviResult AviMuxer::writeEncoded(const AVFrame* frame) {
    const FfmpegApi& av = ffmpeg();
    if (av.avcodec_send_frame(encoder_, frame) < 0) return fail(AVIERR_CANTCOMPRESS, "the frame cannot be compressed");
    for (;;) {
        int r = av.avcodec_receive_packet(encoder_, packet_);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return AVIERR_OK;
        if (r < 0) return fail(AVIERR_CANTCOMPRESS, "the frame cannot be compressed");
        av.av_packet_rescale_ts(packet_, encoder_->time_base, stream_->time_base);
        AviResult w = writePacketOut(packet_);
        av.av_packet_unref(packet_);
        if (w != AVIERR_OK) return w;
    }
}

AviResult AviMuxer::write(int32_t frame, const void* pixels, int32_t size) {
    if (failed_) return failure_;
    if (!formatSet_ || done_) return AVIERR_UNSUPPORTED;
    if (!pixels || size < 0 || uint32_t(size) < imageSize_) return AVIERR_BADSIZE;
    if (frame < next_) return AVIERR_BADPARAM;
    const FfmpegApi& av = ffmpeg();
    if (!headerWritten_) {
        if (av.avformat_write_header(format_, nullptr) < 0) return fail(AVIERR_FILEWRITE, "write error");
        headerWritten_ = true;
    }
    const AVRational frameBase{int(info_.dwScale), int(info_.dwRate)};
    AviResult r;
    if (!encoder_) {
        AVPacket* p = packet_;
        p->data = const_cast<uint8_t*>(static_cast<const uint8_t*>(pixels));
        p->size = int(imageSize_);
        p->pts = p->dts = av.av_rescale_q(frame, frameBase, stream_->time_base);
        p->duration = 0;
        p->flags = AV_PKT_FLAG_KEY;
        r = writePacketOut(p);
        p->data = nullptr;
        p->size = 0;
    } else {
        if (av.av_frame_make_writable(frame_) < 0) return fail(AVIERR_MEMORY, "Out of memory");
        const auto* bits = static_cast<const uint8_t*>(pixels);
        const int h = encoder_->height;
        // Bottom-up rows are read from the last row upwards.
        const uint8_t* src[4] = {frameFormat_.biHeight > 0 ? bits + size_t(stride_) * (h - 1) : bits, nullptr, nullptr,
                                 nullptr};
        const int srcStride[4] = {frameFormat_.biHeight > 0 ? -stride_ : stride_, 0, 0, 0};
        av.sws_scale(sws_, src, srcStride, 0, h, frame_->data, frame_->linesize);
        frame_->pts = frame;
        r = writeEncoded(frame_);
    }
    if (r != AVIERR_OK) return r;
    next_ = frame + 1;
    ++frames_;
    return AVIERR_OK;
}

AviResult AviMuxer::commit() {
    if (done_) return AVIERR_UNSUPPORTED;
    done_ = true;
    const FfmpegApi& av = ffmpeg();
    if (!failed_ && frames_ == 0) fail(AVIERR_NODATA, "no frame was written");
    if (!failed_ && encoder_) writeEncoded(nullptr);
    if (!failed_ && av.av_write_trailer(format_) < 0) fail(AVIERR_FILEWRITE, "write error");
    if (!failed_) {
        av.avio_flush(io_);
        if (io_->error < 0 || !out_) fail(AVIERR_FILEWRITE, "write error");
    }
    if (failed_) {
        out_.reset();
        return failure_;
    }
    try {
        out_->commit();
    } catch (const RuntimeError& e) {
        error_ = e.description();
        out_.reset();
        failed_ = true;
        return failure_ = AVIERR_FILEWRITE;
    }
    out_.reset();
    return AVIERR_OK;
}

}  // namespace nalo
