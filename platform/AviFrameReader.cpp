// Frame reader: decodes the stream with libavcodec and converts each delivered frame
// straight into a packed DIB with libswscale. The decoder state and a cursor are kept,
// so sequential reads decode each frame once; a jump seeks to the key frame before
// the wanted frame and decodes forward. An AVI's frames are numbered by its index;
// other videos' by their timeline (the cursor then holds presentation times).
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/AviDemux.h"
#include "platform/AviFile.h"

#include "platform/FfmpegLibrary.h"
#include "platform/PictureBudget.h"

namespace nalo {

namespace {
struct CodecCloser {
    void operator()(AVCodecContext* c) const { ffmpeg().avcodec_free_context(&c); }
};
struct FrameCloser {
    void operator()(AVFrame* f) const { ffmpeg().av_frame_free(&f); }
};
struct PacketCloser {
    void operator()(AVPacket* p) const { ffmpeg().av_packet_free(&p); }
};
struct SwsCloser {
    void operator()(SwsContext* s) const { ffmpeg().sws_freeContext(s); }
};
constexpr int64_t NoFrame = INT64_MIN;
constexpr size_t TailPadding = 256;

// Turns packed top-down rows (w x h, Bytes a pixel) clockwise by `turns` quarter
// turns into `dst` (rows `stride` apart): each output row walks a source column or row.
template <int Bytes>
void turnUpright(const uint8_t* src, int w, int h, int turns, uint8_t* dst, int stride) {
    const int dw = turns % 2 ? h : w, dh = turns % 2 ? w : h;
    // Source offset of output (0, y) and the step per output pixel, in pixels.
    const ptrdiff_t step = turns == 1 ? -ptrdiff_t(w) : turns == 2 ? -1 : ptrdiff_t(w);
    for (int y = 0; y < dh; ++y) {
        const ptrdiff_t first = turns == 1   ? ptrdiff_t(h - 1) * w + y
                                : turns == 2 ? ptrdiff_t(h - 1 - y) * w + (w - 1)
                                             : ptrdiff_t(w - 1 - y);
        const uint8_t* from = src + first * Bytes;
        uint8_t* row = dst + size_t(stride) * size_t(y);
        for (int x = 0; x < dw; ++x, from += step * Bytes) std::memcpy(row + size_t(x) * Bytes, from, Bytes);
    }
}

}  // namespace

class AviFrameReader {
public:
    bool open(const PAVISTREAM& stream, int width, int height, int bitCount, bool topDown, int scaleFlags);
    const BITMAPINFOHEADER* get(int32_t pos);

private:
    const BITMAPINFOHEADER* getTimed(int32_t pos);
    bool seekTo(int64_t pos);
    // Timeline seek to the key frame shown at or before `time`; `midway` tells whether
    // it went into the file (else decoding starts over from the first packet).
    bool seekToTime(int64_t time, bool& midway);
    bool restart();
    // Opens the file (again): a file that no longer opens as the same video (shrunk,
    // replaced) leaves the reader closed, and every later frame is null.
    bool openDemuxer();
    // Decodes forward until `current` holds frame pos (or the last one before it,
    // when a later frame shows pos was dropped). False at the end of the stream.
    bool decodeUpTo(int64_t pos);
    int receive();
    int64_t frameNumberOf(int64_t entry) const;
    bool convert();
    void allocateBlock();

    PAVISTREAM stream_;
    FormatPtr format_;
    std::unique_ptr<AVCodecContext, CodecCloser> codec_;
    std::unique_ptr<AVFrame, FrameCloser> current_, pending_;
    std::unique_ptr<AVPacket, PacketCloser> packet_;
    std::unique_ptr<SwsContext, SwsCloser> sws_;
    AVStream* st_ = nullptr;
    int64_t currentPos_ = NoFrame;   // frame number (timeline: time) held in current_
    int64_t pendingPos_ = NoFrame;   // frame decoded beyond the last request
    int64_t delivered_ = NoFrame;    // frame number in dib_
    int64_t nextEntry_ = 0;          // index entry of the next frame the decoder outputs
    bool draining_ = false, ended_ = false;
    bool reorders_ = false;          // B-frames: key-frame times are not output numbers
    bool fresh_ = true;              // nothing read since the demuxer opened
    bool toKeyFrame_ = false;        // after a timeline seek: packets up to a key frame are skipped
    int width_ = 0, height_ = 0, bitCount_ = 32, stride_ = 0;
    int scaleFlags_ = SWS_BICUBIC;
    bool topDown_ = false;
    std::vector<uint8_t> block_;     // 24 bytes of padding, header, pixels (pixels 64-aligned), tail
    std::vector<uint8_t> scratch_;   // top-down rows of a bottom-up picture, before the copy
    std::vector<uint8_t> sideways_;  // a rotated video's picture as stored, before turning
    BITMAPINFOHEADER* header_ = nullptr;
    uint8_t* pixels_ = nullptr;
};

bool AviFrameReader::open(const PAVISTREAM& stream, int width, int height, int bitCount, bool topDown, int scaleFlags) {
    stream_ = stream;
    if (!openDemuxer()) return false;
    const AVCodec* dec = ffmpeg().avcodec_find_decoder(st_->codecpar->codec_id);
    if (!dec) return false;
    codec_.reset(ffmpeg().avcodec_alloc_context3(dec));
    if (!codec_ || ffmpeg().avcodec_parameters_to_context(codec_.get(), st_->codecpar) < 0) return false;
    codec_->max_pixels = std::min(MaxAviFramePixels, PictureBudget());
    codec_->pkt_timebase = st_->time_base;
    // The decoder may use threads of its own (frame or slice threads, one per core);
    // frames still come out one at a time, in order, on the caller's thread.
    codec_->thread_count = 0;
    codec_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (ffmpeg().avcodec_open2(codec_.get(), dec, nullptr) < 0) return false;
    const AVCodecDescriptor* desc = ffmpeg().avcodec_descriptor_get(dec->id);
    reorders_ = desc && (desc->props & AV_CODEC_PROP_REORDER);
    current_.reset(ffmpeg().av_frame_alloc());
    pending_.reset(ffmpeg().av_frame_alloc());
    packet_.reset(ffmpeg().av_packet_alloc());
    if (!current_ || !pending_ || !packet_) return false;

    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
    topDown_ = topDown;
    scaleFlags_ = scaleFlags;
    stride_ = ((width * bitCount + 31) / 32) * 4;
    return true;
}

void AviFrameReader::allocateBlock() {
    // Made when the first frame has decoded, so that a file whose frames never do
    // costs no frame-sized memory.
    size_t image = size_t(stride_) * size_t(height_);
    // libswscale's vector stores run up to a few dozen bytes past a row's end: the
    // tail keeps the last row's overrun inside the buffer.
    block_.assign(64 + image + TailPadding, 0);
    if (!topDown_) scratch_.assign(image + TailPadding, 0);
    if (stream_->rotation) sideways_.assign(size_t(width_) * size_t(height_) * size_t(bitCount_ / 8) + TailPadding, 0);
    header_ = reinterpret_cast<BITMAPINFOHEADER*>(block_.data() + 24);
    pixels_ = block_.data() + 64;
    *header_ = BITMAPINFOHEADER{};
    header_->biWidth = width_;
    header_->biHeight = topDown_ ? -height_ : height_;
    header_->biBitCount = uint16_t(bitCount_);
    header_->biSizeImage = uint32_t(image);
}

int AviFrameReader::receive() {
    const VideoTimeline* timeline = stream_->timeline.get();
    for (;;) {
        const int r = ffmpeg().avcodec_receive_frame(codec_.get(), pending_.get());
        if (r != 0) return r;
        if (!timeline) {
            pendingPos_ = frameNumberOf(nextEntry_++);
            return 0;
        }
        if (!timeline->timed()) {
            pendingPos_ = nextEntry_++;
            return 0;
        }
        // Pictures the timeline does not list (cut by an edit list) are passed over.
        const AVFrame& f = *pending_;
        const int64_t t = f.pts != AV_NOPTS_VALUE ? f.pts : f.best_effort_timestamp;
        if (t != AV_NOPTS_VALUE && timeline->isPicture(t)) {
            pendingPos_ = t;
            return 0;
        }
        ffmpeg().av_frame_unref(pending_.get());
    }
}

int64_t AviFrameReader::frameNumberOf(int64_t entry) const {
    // The n-th frame out after the key frame decoding began at is the n-th chunk of
    // the index from there: packet times of packed B-frame streams are off by the
    // decoder delay, and a dropped frame (an empty chunk) has no entry but leaves its
    // number out of the later entries' times.
    const int entries = ffmpeg().avformat_index_get_entries_count(st_);
    if (entry < entries) return ffmpeg().avformat_index_get_entry(st_, int(entry))->timestamp;
    if (entries == 0) return stream_->start + entry;
    return ffmpeg().avformat_index_get_entry(st_, entries - 1)->timestamp + (entry - entries + 1);
}

bool AviFrameReader::decodeUpTo(int64_t pos) {
    for (;;) {
        if (pendingPos_ != NoFrame) {
            if (pendingPos_ > pos && currentPos_ != NoFrame) return true;  // pos was a dropped frame
            std::swap(current_, pending_);
            currentPos_ = pendingPos_;
            pendingPos_ = NoFrame;
            ffmpeg().av_frame_unref(pending_.get());
            if (currentPos_ >= pos) return currentPos_ == pos;
            continue;
        }
        if (ended_) return false;
        int r = receive();
        if (r == 0) continue;
        if (r == AVERROR_EOF) {
            ended_ = true;
            return false;
        }
        if (r != AVERROR(EAGAIN)) return false;
        if (draining_) {
            ended_ = true;
            return false;
        }
        // The decoder wants input.
        for (;;) {
            int rr = ffmpeg().av_read_frame(format_.get(), packet_.get());
            fresh_ = false;
            if (rr < 0) {
                ffmpeg().avcodec_send_packet(codec_.get(), nullptr);
                draining_ = true;
                break;
            }
            bool ours = packet_->stream_index == st_->index;
            if (ours && toKeyFrame_) {
                toKeyFrame_ = !(packet_->flags & AV_PKT_FLAG_KEY);
                ours = !toKeyFrame_;
            }
            int sent = ours ? ffmpeg().avcodec_send_packet(codec_.get(), packet_.get()) : 0;
            ffmpeg().av_packet_unref(packet_.get());
            if (ours && sent != AVERROR(EAGAIN)) break;  // corrupt packets are skipped
        }
    }
}

bool AviFrameReader::openDemuxer() {
    st_ = nullptr;
    const AviFile& file = *stream_->file;
    format_ = file.avi ? openAviDemuxer(file.path) : nalo::openDemuxer(file.path, file.format->iformat);
    const int index = stream_->index;
    if (!format_ || index >= int(format_->nb_streams) ||
        (codec_ && format_->streams[index]->codecpar->codec_id != codec_->codec_id)) {
        format_.reset();
        return false;
    }
    st_ = format_->streams[index];
    fresh_ = true;
    toKeyFrame_ = false;
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (int(i) != index) format_->streams[i]->discard = AVDISCARD_ALL;
    return true;
}

bool AviFrameReader::seekTo(int64_t pos) {
    ffmpeg().avcodec_flush_buffers(codec_.get());
    currentPos_ = pendingPos_ = NoFrame;
    draining_ = ended_ = false;
    // Decoders that reorder restart from the first frame, so that output numbers
    // stay exact; the others start at the key frame before pos.
    int k = reorders_ ? -1 : ffmpeg().av_index_search_timestamp(st_, pos, AVSEEK_FLAG_BACKWARD);
    int64_t target = k >= 0 ? ffmpeg().avformat_index_get_entry(st_, k)->timestamp : stream_->start;
    nextEntry_ = std::max(k, 0);
    if (!reorders_ && ffmpeg().av_seek_frame(format_.get(), st_->index, target, AVSEEK_FLAG_BACKWARD) >= 0) return true;
    nextEntry_ = 0;
    return openDemuxer();
}

bool AviFrameReader::restart() {
    ffmpeg().avcodec_flush_buffers(codec_.get());
    currentPos_ = pendingPos_ = NoFrame;
    draining_ = ended_ = false;
    nextEntry_ = 0;
    return fresh_ || openDemuxer();
}

bool AviFrameReader::seekToTime(int64_t time, bool& midway) {
    int64_t decodeTime = 0;
    midway = stream_->timeline->seekPointBefore(time, decodeTime);
    if (midway) {
        ffmpeg().avcodec_flush_buffers(codec_.get());
        currentPos_ = pendingPos_ = NoFrame;
        draining_ = ended_ = false;
        midway = ffmpeg().av_seek_frame(format_.get(), st_->index, decodeTime, AVSEEK_FLAG_BACKWARD) >= 0;
        toKeyFrame_ = midway;
        fresh_ = false;
    }
    return midway || restart();
}

const BITMAPINFOHEADER* AviFrameReader::getTimed(int32_t pos) {
    const VideoTimeline& timeline = *stream_->timeline;
    const int64_t want = timeline.timeOfFrame(pos);
    // The furthest picture out of the decoder; seek when the wanted one lies behind
    // it, or a key frame lies between them.
    const int64_t reached = pendingPos_ != NoFrame ? pendingPos_ : currentPos_;
    bool seek;
    if (want == currentPos_) seek = false;
    else if (reached == NoFrame) seek = true;
    else if (want < currentPos_) seek = true;
    else seek = want > reached && timeline.keyFrameBetween(reached, want);
    delivered_ = NoFrame;
    bool midway = false;
    if (seek && !seekToTime(want, midway)) return nullptr;
    bool found = currentPos_ == want || decodeUpTo(want);
    // A seek that landed past the picture (a container whose seek is not exact):
    // decode from the start instead.
    if (!found && midway && restart()) found = decodeUpTo(want);
    if (!found || currentPos_ > want || !convert()) return nullptr;
    delivered_ = pos;
    return header_;
}

bool AviFrameReader::convert() {
    AVFrame* f = current_.get();
    AVPixelFormat dst = bitCount_ == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGR0;
    // A rotated video is scaled to the stored orientation, then turned upright.
    const int turns = stream_->rotation;
    const int outWidth = turns % 2 ? height_ : width_, outHeight = turns % 2 ? width_ : height_;
    SwsContext* s = ffmpeg().sws_getCachedContext(sws_.release(), f->width, f->height, AVPixelFormat(f->format),
                                                  outWidth, outHeight, dst, scaleFlags_, nullptr, nullptr, nullptr);
    sws_.reset(s);
    if (!s) return false;
    if (block_.empty()) allocateBlock();
    // Rows are written top to bottom with a positive stride: a row's overrun lands
    // in the row written next (or the tail). A bottom-up picture is scaled into the
    // scratch rows and copied over in reverse, since a negative stride would let
    // each row's overrun spoil the row stored above it.
    uint8_t* upright = topDown_ ? pixels_ : scratch_.data();
    const int bytes = bitCount_ / 8;
    uint8_t* out[4] = {turns ? sideways_.data() : upright, nullptr, nullptr, nullptr};
    int strides[4] = {turns ? outWidth * bytes : stride_, 0, 0, 0};
    if (ffmpeg().sws_scale(s, f->data, f->linesize, 0, f->height, out, strides) != outHeight) return false;
    if (turns == 0) {
    } else if (bytes == 3) {
        turnUpright<3>(sideways_.data(), outWidth, outHeight, turns, upright, stride_);
    } else {
        turnUpright<4>(sideways_.data(), outWidth, outHeight, turns, upright, stride_);
    }
    if (!topDown_)
        for (int y = 0; y < height_; ++y)
            std::memcpy(pixels_ + size_t(stride_) * size_t(height_ - 1 - y), upright + size_t(stride_) * size_t(y),
                        size_t(stride_));
    return true;
}

const BITMAPINFOHEADER* AviFrameReader::get(int32_t pos) {
    if (!format_ || pos < stream_->start || int64_t(pos) >= int64_t(stream_->start) + stream_->length) return nullptr;
    if (pos == delivered_) return header_;
    if (stream_->timeline) return getTimed(pos);
    // Decode forward unless the frame lies behind the cursor or a key frame lies
    // between the cursor and it.
    int64_t next = pendingPos_ != NoFrame ? pendingPos_ : currentPos_ != NoFrame ? currentPos_ + 1 : NoFrame;
    bool seek;
    if (pos == currentPos_)
        seek = false;
    else if (next == NoFrame)
        seek = pos != stream_->start && !reorders_;
    else if (pos < next)
        seek = true;
    else if (reorders_)
        seek = false;
    else {
        int k = ffmpeg().av_index_search_timestamp(st_, pos, AVSEEK_FLAG_BACKWARD);
        seek = k >= 0 && ffmpeg().avformat_index_get_entry(st_, k)->timestamp > next;
    }
    delivered_ = NoFrame;
    if (seek && !seekTo(pos)) return nullptr;
    if (currentPos_ != pos && !decodeUpTo(pos)) return nullptr;
    if (currentPos_ > pos || !convert()) return nullptr;
    delivered_ = pos;
    return header_;
}

PGETFRAME AVIStreamGetFrameOpen(const PAVISTREAM& stream, const BITMAPINFOHEADER* wanted, AviScaleFilter filter) {
    if (!stream) return nullptr;
    int width = stream->width, height = stream->height, bitCount = 32;
    bool topDown = false;
    if (wanted) {
        if (wanted->biCompression != 0 || (wanted->biBitCount != 24 && wanted->biBitCount != 32)) return nullptr;
        bitCount = wanted->biBitCount;
        if (wanted->biWidth > 0) width = wanted->biWidth;
        if (wanted->biHeight != 0) height = std::abs(wanted->biHeight);
        topDown = wanted->biHeight < 0;
        if (!FitsAviFrame(width, height)) return nullptr;
    }
    auto reader = std::make_shared<AviFrameReader>();
    const int flags = filter == AviScaleFilter::Lanczos ? SWS_LANCZOS | SWS_ACCURATE_RND : SWS_BICUBIC;
    if (!reader->open(stream, width, height, bitCount, topDown, flags)) return nullptr;
    return reader;
}

const BITMAPINFOHEADER* AVIStreamGetFrame(const PGETFRAME& reader, int32_t pos) {
    return reader ? reader->get(pos) : nullptr;
}

AviResult AVIStreamGetFrameClose(PGETFRAME& reader) {
    reader.reset();
    return AVIERR_OK;
}

}  // namespace nalo
