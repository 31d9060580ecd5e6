#pragma once
// The first audio stream of an AVI (or of another container FFmpeg demuxes, such as
// "mp3") decoded by FFmpeg into signed 16-bit interleaved samples (mono or stereo;
// further channels are dropped).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/AudioOutput.h"

namespace nalo {

class AviAudioReader {
public:
    // A file without a decodable audio stream gives a reader without audio.
    // `container` null: whatever video container the file is.
    explicit AviAudioReader(const std::string& path, const char* container = nullptr);
    ~AviAudioReader();
    AviAudioReader(const AviAudioReader&) = delete;
    AviAudioReader& operator=(const AviAudioReader&) = delete;

    bool hasAudio() const { return state_ != nullptr; }
    const PcmFormat& format() const { return format_; }
    // The next decoded samples (frames x channels values); empty at the end.
    const std::vector<int16_t>& next();

private:
    struct State;
    std::unique_ptr<State> state_;
    PcmFormat format_;
    std::vector<int16_t> samples_;
};

}  // namespace nalo
