#pragma once
// The audio-output layer: 16-bit PCM played on the default sound device through
// PortAudio (loaded at run time), or a null output with the same timing when no
// device or no PortAudio exists (NALO_AUDIO=null forces it).
#include <cstddef>
#include <cstdint>
#include <memory>

namespace nalo {

struct PcmFormat {
    int sampleRate = 44100;
    int channels = 2;  // 1 or 2; samples interleaved, signed 16 bits
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Takes as many of the `frames` frames as the device's buffer holds now, without
    // waiting; returns how many it took. The first write starts the playing.
    virtual size_t write(const int16_t* samples, size_t frames) = 0;
    // Frames played since the first write (at most the frames written).
    virtual int64_t playedFrames() const = 0;
    // Stops at once; what is buffered is dropped.
    virtual void stop() = 0;
    // False for the null output.
    virtual bool audible() const = 0;
    const PcmFormat& format() const { return format_; }

protected:
    explicit AudioOutput(const PcmFormat& format) : format_(format) {}

private:
    PcmFormat format_;
};

// The default device opened for `format`; the null output when none can be opened.
std::unique_ptr<AudioOutput> openAudioOutput(const PcmFormat& format);
// The null output: plays nothing, at the pace of the clock, with a buffer of
// `bufferFrames` frames.
std::unique_ptr<AudioOutput> nullAudioOutput(const PcmFormat& format, size_t bufferFrames = 8192);

}  // namespace nalo
