#include <algorithm>
#include <cstring>

#include "platform/AviAudioReader.h"
#include "shell/RuntimeError.h"
#include "tools/cd2mp3/MciLayer.h"

namespace nalo::cd2mp3 {

namespace {

class Mp3Source final : public PcmSource {
public:
    explicit Mp3Source(std::unique_ptr<AviAudioReader> reader) : reader_(std::move(reader)) {}
    size_t read(int16_t* samples, size_t frames) override {
        const size_t ch = size_t(channels());
        size_t done = 0;
        while (done < frames) {
            if (used_ == pending_.size()) {
                pending_ = reader_->next();
                used_ = 0;
                if (pending_.empty()) break;
            }
            const size_t take = std::min(frames - done, (pending_.size() - used_) / ch);
            std::memcpy(samples + done * ch, pending_.data() + used_, take * ch * sizeof(int16_t));
            used_ += take * ch;
            done += take;
        }
        return done;
    }
    int sampleRate() const override { return reader_->format().sampleRate; }
    int channels() const override { return reader_->format().channels; }

private:
    std::unique_ptr<AviAudioReader> reader_;
    std::vector<int16_t> pending_;
    size_t used_ = 0;
};

}  // namespace

std::unique_ptr<PcmSource> Mp3FileSource(const std::string& path) {
    try {
        auto reader = std::make_unique<AviAudioReader>(path, "mp3");
        if (!reader->hasAudio()) return nullptr;
        return std::make_unique<Mp3Source>(std::move(reader));
    } catch (const RuntimeError&) {
        return nullptr;  // no FFmpeg: the file plays silently
    }
}

}  // namespace nalo::cd2mp3
