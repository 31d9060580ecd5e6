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
    const char* library;  // the encoder preferred by name, or null for FFmpeg's first
};
constexpr EncoderChoice Encoders[] = {
    {comptypeMJPG, AV_CODEC_ID_MJPEG, "Motion JPEG", true, nullptr},
    {comptypeFMP4, AV_CODEC_ID_MPEG4, "MPEG-4 Part 2", true, nullptr},
    {comptypeFFV1, AV_CODEC_ID_FFV1, "FFV1 (lossless)", false, nullptr},
    {comptypeH264, AV_CODEC_ID_H264, "H.264", true, "libx264"},
    {comptypeVP90, AV_CODEC_ID_VP9, "VP9", true, "libvpx-vp9"},
};

const EncoderChoice* encoderFor(uint32_t handler) {
    for (const EncoderChoice& e : Encoders)
        if (e.handler == handler) return &e;
    return nullptr;
}

const AVCodec* findEncoder(const EncoderChoice& e) {
    const FfmpegApi& av = ffmpeg();
    if (e.library)
        if (const AVCodec* named = av.avcodec_find_encoder_by_name(e.library)) return named;
    return av.avcodec_find_encoder(e.codec);
}

bool fullFrames(uint32_t handler) { return handler == comptypeDIB || handler == 0; }

bool takes(VideoContainer container, uint32_t handler) {
    const auto& list = ContainerHandlers(container);
    if (container == VideoContainer::Avi && handler == 0) return true;  // full frames
    return std::find(list.begin(), list.end(), handler) != list.end();
}

// Planar 4:2:0, whose encoders may take no odd side.
bool halvedChroma(AVPixelFormat f) { return f == AV_PIX_FMT_YUV420P || f == AV_PIX_FMT_YUVJ420P; }

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

std::vector<AviCompressor> AviCompressors(VideoContainer container) {
    std::vector<AviCompressor> list;
    for (uint32_t handler : ContainerHandlers(container)) {
        if (handler == comptypeDIB) {
            list.push_back({comptypeDIB, "Full Frames (Uncompressed)", false, false, false});
        } else if (const EncoderChoice* e = encoderFor(handler); e && findEncoder(*e)) {
            list.push_back({e->handler, e->name, e->quality, true, true});
        }
    }
    return list;
}

AviMuxer::AviMuxer(const std::string& path) : path_(path), container_(ContainerForPath(path)) {
    out_ = std::make_unique<AtomicFileWriter>(path, "AVIFile");
    const FfmpegApi& av = ffmpeg();
    if (av.avformat_alloc_output_context2(&format_, nullptr, MuxerName(container_), nullptr) < 0 || !format_)
        throw RuntimeError(err::OutOfMemory, "AVIFile", std::string("no ") + ContainerName(container_) + " muxer: " + path);
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
    if (!takes(container_, options.fccHandler)) return AVIERR_NOCOMPRESSOR;
    if (!fullFrames(options.fccHandler)) {
        const EncoderChoice* e = encoderFor(options.fccHandler);
        if (!e || !findEncoder(*e)) return AVIERR_NOCOMPRESSOR;
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
    const AVCodec* codec = findEncoder(*encoderFor(options_.fccHandler));
    if (!codec) return AVIERR_NOCOMPRESSOR;
    const int w = frameFormat_.biWidth, h = std::abs(frameFormat_.biHeight);
    AviResult r = openEncoderAt(codec, w, h);
    // A 4:2:0 encoder that takes no odd side is given one more column and/or row.
    if (r == AVIERR_CANTCOMPRESS && (w % 2 || h % 2) && halvedChroma(encoder_->pix_fmt))
        r = openEncoderAt(codec, w + w % 2, h + h % 2);
    if (r != AVIERR_OK) return r;
    AVCodecContext* c = encoder_;
    if (av.avcodec_parameters_from_context(stream_->codecpar, c) < 0) return AVIERR_MEMORY;
    frame_ = av.av_frame_alloc();
    if (!frame_) return AVIERR_MEMORY;
    frame_->format = c->pix_fmt;
    frame_->width = c->width;
    frame_->height = c->height;
    if (av.av_frame_get_buffer(frame_, 0) < 0) return AVIERR_MEMORY;
    sws_ = av.sws_getContext(w, h, dibPixelFormat(frameFormat_.biBitCount), w, h, c->pix_fmt, SWS_BICUBIC, nullptr,
                             nullptr, nullptr);
    return sws_ ? AVIERR_OK : AVIERR_CANTCOMPRESS;
}

AviResult AviMuxer::openEncoderAt(const AVCodec* codec, int width, int height) {
    const FfmpegApi& av = ffmpeg();
    av.avcodec_free_context(&encoder_);
    encoder_ = av.avcodec_alloc_context3(codec);
    if (!encoder_) return AVIERR_MEMORY;
    AVCodecContext* c = encoder_;
    c->width = width;
    c->height = height;
    c->pix_fmt = encoderPixelFormat(codec);
    c->time_base = stream_->time_base;
    c->framerate = stream_->avg_frame_rate;
    if (container_ == VideoContainer::Avi) c->max_b_frames = 0;  // AVI stores no times: frames leave in display order
    c->thread_count = 0;
    if (options_.dwFlags & AVICOMPRESSF_KEYFRAMES) c->gop_size = int(std::clamp<uint32_t>(options_.dwKeyFrameEvery, 1, 600));
    const double quality = std::min<uint32_t>(options_.dwQuality, 10000) / 10000.0;  // 1 = best
    if ((options_.dwFlags & AVICOMPRESSF_DATARATE) && options_.dwBytesPerSecond > 0) {
        c->bit_rate = int64_t(options_.dwBytesPerSecond) * 8;
    } else if (codec->id == AV_CODEC_ID_H264) {
        av.av_opt_set_double(c->priv_data, "crf", 51.0 - 51.0 * quality, 0);
    } else if (codec->id == AV_CODEC_ID_VP9) {
        c->bit_rate = 0;  // constant quality
        av.av_opt_set_int(c->priv_data, "crf", int(63.5 - 50.0 * quality), 0);
    } else if (codec->id != AV_CODEC_ID_FFV1) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = int(FF_QP2LAMBDA * (31.0 - 29.0 * quality + 0.5));
    }
    if (codec->id == AV_CODEC_ID_VP9) {
        // libvpx's default speed takes seconds a frame; this one is near its quality.
        av.av_opt_set_int(c->priv_data, "cpu-used", 4, 0);
        av.av_opt_set_int(c->priv_data, "row-mt", 1, 0);
    }
    if (codec->id == AV_CODEC_ID_MJPEG) c->color_range = AVCOL_RANGE_JPEG;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return av.avcodec_open2(c, codec, nullptr) < 0 ? AVIERR_CANTCOMPRESS : AVIERR_OK;
}

void AviMuxer::padEdges(int width, int height) {
    uint8_t* luma = frame_->data[0];
    const int stride = frame_->linesize[0];
    if (encoder_->width > width)
        for (int y = 0; y < height; ++y) luma[size_t(y) * stride + width] = luma[size_t(y) * stride + width - 1];
    if (encoder_->height > height)
        std::copy_n(luma + size_t(height - 1) * stride, encoder_->width, luma + size_t(height) * stride);
}

bool AviMuxer::storedSize(int32_t& width, int32_t& height) const {
    if (!formatSet_) return false;
    width = encoder_ ? encoder_->width : frameFormat_.biWidth;
    height = encoder_ ? encoder_->height : std::abs(frameFormat_.biHeight);
    return true;
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
        // Containers that store times give every frame its length, the last one too.
        if (container_ != VideoContainer::Avi && packet_->duration == 0) packet_->duration = 1;
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
        const int w = frameFormat_.biWidth, h = std::abs(frameFormat_.biHeight);
        // Bottom-up rows are read from the last row upwards.
        const uint8_t* src[4] = {frameFormat_.biHeight > 0 ? bits + size_t(stride_) * (h - 1) : bits, nullptr, nullptr,
                                 nullptr};
        const int srcStride[4] = {frameFormat_.biHeight > 0 ? -stride_ : stride_, 0, 0, 0};
        av.sws_scale(sws_, src, srcStride, 0, h, frame_->data, frame_->linesize);
        padEdges(w, h);
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
