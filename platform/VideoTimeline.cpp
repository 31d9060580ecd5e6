#include "platform/VideoTimeline.h"

#include <algorithm>
#include <memory>

#include "platform/FfmpegLibrary.h"

namespace nalo {

namespace {

struct PacketFree {
    void operator()(AVPacket* p) const { ffmpeg().av_packet_free(&p); }
};

// The tick of `offset` (time base units after the first picture) at rate / scale,
// rounded to nearest, halves away from zero.
int64_t tickOf(int64_t offset, AVRational base, int64_t rate, int64_t scale) {
    const __int128 num = __int128(offset) * base.num * rate, den = __int128(base.den) * scale;
    const __int128 tick = num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den));
    return int64_t(std::clamp<__int128>(tick, INT64_MIN / 2, INT64_MAX / 2));
}

bool valid(AVRational r) { return r.num > 0 && r.den > 0; }

}  // namespace

bool VideoTimeline::scan(AVFormatContext* ctx, int index) {
    const FfmpegApi& ff = ffmpeg();
    const AVStream* st = ctx->streams[index];
    std::unique_ptr<AVPacket, PacketFree> packet(ff.av_packet_alloc());
    if (!packet) return false;
    int64_t packets = 0;
    while (ff.av_read_frame(ctx, packet.get()) >= 0) {
        const AVPacket& p = *packet;
        // Packets an edit list cuts off and empty ones show no picture.
        if (p.stream_index == index && !(p.flags & AV_PKT_FLAG_DISCARD) && p.size > 0) {
            if (++packets > MaxVideoFrames) break;
            largestPacket_ = std::max<int64_t>(largestPacket_, p.size);
            if (p.pts == AV_NOPTS_VALUE) timed_ = false;
            else pictures_.push_back(p.pts);
            if ((p.flags & AV_PKT_FLAG_KEY) && p.pts != AV_NOPTS_VALUE)
                keys_.push_back({p.pts, p.dts != AV_NOPTS_VALUE ? std::min(p.dts, p.pts) : p.pts});
        }
        ff.av_packet_unref(packet.get());
    }
    if (packets == 0 || packets > MaxVideoFrames) return false;

    AVRational declared = valid(st->avg_frame_rate) ? st->avg_frame_rate : st->r_frame_rate;
    if (!valid(declared) || declared.num > INT32_MAX || declared.den > INT32_MAX) declared = {25, 1};
    rate_ = declared.num;
    scale_ = declared.den;
    if (!timed_) {
        // Output order: frame n is the n-th picture out of the decoder.
        pictures_.resize(size_t(packets));
        for (size_t i = 0; i < pictures_.size(); ++i) pictures_[i] = int64_t(i);
        keys_.clear();
    } else {
        std::sort(pictures_.begin(), pictures_.end());
        pictures_.erase(std::unique(pictures_.begin(), pictures_.end()), pictures_.end());
        std::sort(keys_.begin(), keys_.end(), [](const KeyFrame& a, const KeyFrame& b) { return a.time < b.time; });
    }
    const AVRational base = st->time_base;
    const int64_t first = pictures_.front();
    const size_t count = pictures_.size();
    auto tick = [&](size_t i) { return timed_ ? tickOf(pictures_[i] - first, base, rate_, scale_) : int64_t(i); };
    bool constant = true;
    for (size_t i = 0; constant && i < count; ++i) constant = tick(i) == int64_t(i);
    if (!constant) {
        // Average rate over the pictures' span.
        const __int128 num = __int128(count - 1) * base.den, den = __int128(pictures_.back() - first) * base.num;
        if (den <= 0 || num > INT64_MAX || den > INT64_MAX) return false;
        int r = 0, s = 0;
        ff.av_reduce(&r, &s, int64_t(num), int64_t(den), INT32_MAX);
        if (r <= 0 || s <= 0) return false;
        rate_ = r;
        scale_ = s;
    }
    const int64_t length = tick(count - 1) + 1;
    if (length < 1 || length > MaxVideoFrames) return false;
    framePicture_.resize(size_t(length));
    size_t shown = 0;
    for (int64_t n = 0; n < length; ++n) {
        while (shown + 1 < count && tick(shown + 1) <= n) ++shown;
        framePicture_[size_t(n)] = int32_t(shown);
    }
    return true;
}

bool VideoTimeline::isPicture(int64_t time) const {
    return std::binary_search(pictures_.begin(), pictures_.end(), time);
}

bool VideoTimeline::seekPointBefore(int64_t time, int64_t& decodeTime) const {
    auto after = std::upper_bound(keys_.begin(), keys_.end(), time, [](int64_t t, const KeyFrame& k) { return t < k.time; });
    if (after - keys_.begin() < 2) return false;
    decodeTime = std::prev(after)->decodeTime;
    return true;
}

bool VideoTimeline::keyFrameBetween(int64_t from, int64_t to) const {
    auto after = std::upper_bound(keys_.begin(), keys_.end(), from, [](int64_t t, const KeyFrame& k) { return t < k.time; });
    return after != keys_.end() && after->time <= to;
}

}  // namespace nalo
