#pragma once
// Frame numbers of a video whose container times its pictures (MP4, Matroska,
// MPEG-TS, ...), made from one pass over the stream's packets without decoding.
//
// The rate is the container's frame rate when every picture falls on its own tick
// of it (a constant-rate video: frame N is picture N). Otherwise (variable frame
// rate, or a declared rate the times do not follow) the rate is the average one,
// (pictures - 1) over the time from the first picture to the last. Frame N is the
// picture shown at first + N x scale / rate: each picture goes to the tick nearest
// its time (halves away from zero); a tick that gets none repeats the picture before,
// and of two pictures on one tick the later is shown. The length is the last
// picture's tick + 1. This is what ffmpeg's fps filter does at the same rate.
//
// A stream with packets that carry no time is numbered in decoding output order
// (frame N is the N-th picture out), like an AVI without an index.
#include <cstddef>
#include <cstdint>
#include <vector>

struct AVFormatContext;

namespace nalo {

class VideoTimeline {
public:
    // Reads every packet of stream `index` from the demuxer's current position. False
    // for a stream with no picture or more than MaxVideoFrames.
    bool scan(AVFormatContext* ctx, int index);

    int64_t rate() const { return rate_; }
    int64_t scale() const { return scale_; }
    int32_t length() const { return int32_t(framePicture_.size()); }
    int64_t largestPacket() const { return largestPacket_; }
    bool timed() const { return timed_; }

    // The presentation time (stream time base) of the picture frame n shows; in
    // output order numbering, n itself.
    int64_t timeOfFrame(int32_t n) const { return pictures_[size_t(framePicture_[size_t(n)])]; }
    // True when `time` is one of the pictures' times.
    bool isPicture(int64_t time) const;
    // The decoding time of the last key frame shown at or before `time`, to seek to;
    // false when that is the stream's first key frame (decode from the start instead).
    bool seekPointBefore(int64_t time, int64_t& decodeTime) const;
    // True when a key frame is shown after `from` and at or before `to`.
    bool keyFrameBetween(int64_t from, int64_t to) const;

private:
    struct KeyFrame {
        int64_t time, decodeTime;
    };
    bool timed_ = true;
    int64_t rate_ = 25, scale_ = 1, largestPacket_ = 0;
    std::vector<int64_t> pictures_;      // presentation times, ascending
    std::vector<int32_t> framePicture_;  // picture shown by each frame
    std::vector<KeyFrame> keys_;         // by time, ascending
};

// More frames than a day and a half at 60 frames per second is a damaged header.
inline constexpr int64_t MaxVideoFrames = int64_t(1) << 23;

}  // namespace nalo
