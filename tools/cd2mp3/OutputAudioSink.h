#pragma once
// The audio sink over the audio-output layer: one output per playing channel, filled
// by pump() as far as the device takes (the window calls it from a short timer).
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "platform/AudioOutput.h"
#include "tools/cd2mp3/MciLayer.h"

namespace nalo::cd2mp3 {

class OutputAudioSink final : public AudioSink {
public:
    bool hasDevice() const override;
    void start(Channel channel, std::unique_ptr<PcmSource> source, bool loop) override;
    void stop(Channel channel) override;
    // Feeds every playing channel; a source at its end stops or, looping, starts over.
    void pump();
    bool active() const;

private:
    struct Playing {
        std::unique_ptr<PcmSource> source;
        std::unique_ptr<AudioOutput> output;
        std::vector<int16_t> block;
        size_t filled = 0, taken = 0;  // frames in the block, frames written
        bool loop = false;
    };
    mutable std::optional<bool> device_;
    std::array<std::optional<Playing>, Channels> playing_;
};

}  // namespace nalo::cd2mp3
