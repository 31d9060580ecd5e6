#include "tools/cd2mp3/OutputAudioSink.h"

namespace nalo::cd2mp3 {

namespace {
constexpr size_t PumpFrames = 4096;
}

bool OutputAudioSink::hasDevice() const {
    if (!device_) device_ = openAudioOutput(PcmFormat{44100, 2})->audible();
    return *device_;
}

void OutputAudioSink::start(Channel channel, std::unique_ptr<PcmSource> source, bool loop) {
    stop(channel);
    if (!source) return;
    Playing p;
    p.output = openAudioOutput(PcmFormat{source->sampleRate(), source->channels()});
    p.block.resize(PumpFrames * size_t(source->channels()));
    p.source = std::move(source);
    p.loop = loop;
    playing_[channel] = std::move(p);
    pump();
}

void OutputAudioSink::stop(Channel channel) {
    if (playing_[channel]) playing_[channel]->output->stop();
    playing_[channel].reset();
}

bool OutputAudioSink::active() const {
    for (const auto& p : playing_)
        if (p) return true;
    return false;
}

void OutputAudioSink::pump() {
    for (auto& slot : playing_) {
        if (!slot) continue;
        Playing& p = *slot;
        const size_t ch = size_t(p.source->channels());
        for (;;) {
            if (p.taken == p.filled) {
                p.filled = p.source->read(p.block.data(), PumpFrames);
                p.taken = 0;
                if (p.filled == 0 && p.loop && p.source->rewind()) p.filled = p.source->read(p.block.data(), PumpFrames);
                if (p.filled == 0) break;  // played out: the output drains what it holds
            }
            const size_t n = p.output->write(p.block.data() + p.taken * ch, p.filled - p.taken);
            p.taken += n;
            if (n == 0) break;
        }
    }
}

}  // namespace nalo::cd2mp3
