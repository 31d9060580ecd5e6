#include "platform/AudioOutput.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include "platform/ComponentLibrary.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

using Clock = std::chrono::steady_clock;

class NullAudioOutput final : public AudioOutput {
public:
    NullAudioOutput(const PcmFormat& format, size_t bufferFrames) : AudioOutput(format), buffer_(int64_t(bufferFrames)) {}

    size_t write(const int16_t*, size_t frames) override {
        if (stopped_) return 0;
        if (written_ == 0) start_ = Clock::now();
        const int64_t room = std::max<int64_t>(0, playedFrames() + buffer_ - written_);
        const int64_t taken = std::min<int64_t>(room, int64_t(frames));
        written_ += taken;
        return size_t(taken);
    }
    int64_t playedFrames() const override {
        if (written_ == 0) return 0;
        const double seconds = std::chrono::duration<double>((stopped_ ? stopTime_ : Clock::now()) - start_).count();
        return std::min<int64_t>(written_, int64_t(seconds * format().sampleRate));
    }
    void stop() override {
        if (!stopped_) stopTime_ = Clock::now();
        stopped_ = true;
    }
    bool audible() const override { return false; }

private:
    int64_t buffer_, written_ = 0;
    Clock::time_point start_, stopTime_;
    bool stopped_ = false;
};

// PortAudio's functions, from its shared library.
struct PortAudioApi {
    ComponentLibrary lib{"libportaudio.so.2"};
    decltype(&Pa_Initialize) initialize = lib.function<decltype(&Pa_Initialize)>("Pa_Initialize");
    decltype(&Pa_Terminate) terminate = lib.function<decltype(&Pa_Terminate)>("Pa_Terminate");
    decltype(&Pa_GetDefaultOutputDevice) defaultOutput =
        lib.function<decltype(&Pa_GetDefaultOutputDevice)>("Pa_GetDefaultOutputDevice");
    decltype(&Pa_GetDeviceInfo) deviceInfo = lib.function<decltype(&Pa_GetDeviceInfo)>("Pa_GetDeviceInfo");
    decltype(&Pa_OpenStream) openStream = lib.function<decltype(&Pa_OpenStream)>("Pa_OpenStream");
    decltype(&Pa_StartStream) startStream = lib.function<decltype(&Pa_StartStream)>("Pa_StartStream");
    decltype(&Pa_AbortStream) abortStream = lib.function<decltype(&Pa_AbortStream)>("Pa_AbortStream");
    decltype(&Pa_CloseStream) closeStream = lib.function<decltype(&Pa_CloseStream)>("Pa_CloseStream");
    decltype(&Pa_WriteStream) writeStream = lib.function<decltype(&Pa_WriteStream)>("Pa_WriteStream");
    decltype(&Pa_GetStreamWriteAvailable) writeAvailable =
        lib.function<decltype(&Pa_GetStreamWriteAvailable)>("Pa_GetStreamWriteAvailable");
    decltype(&Pa_GetStreamTime) streamTime = lib.function<decltype(&Pa_GetStreamTime)>("Pa_GetStreamTime");
};

// While it lives, stderr goes to /dev/null: PortAudio's host layers (ALSA, JACK)
// print their probing of absent servers and cards there.
class QuietStderr {
public:
    QuietStderr() : saved_(::dup(2)) {
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, 2);
            ::close(null);
        }
    }
    ~QuietStderr() {
        if (saved_ >= 0) {
            ::dup2(saved_, 2);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_;
};

bool initialiseQuietly(PortAudioApi& api) {
    QuietStderr quiet;
    return api.initialize() == paNoError;
}

// One Pa_Initialize / Pa_Terminate pair.
struct PortAudioSession {
    PortAudioApi api;
    bool initialised = initialiseQuietly(api);
    ~PortAudioSession() {
        if (initialised) api.terminate();
    }
};

class PortAudioOutput final : public AudioOutput {
public:
    // Raises RuntimeError when PortAudio or a device is missing or refuses the format.
    explicit PortAudioOutput(const PcmFormat& format) : AudioOutput(format), session_(std::make_unique<PortAudioSession>()) {
        if (!session_->initialised) throw RuntimeError(err::DeviceUnavailable, "AudioOutput", "no PortAudio");
        PaStreamParameters out{};
        out.device = api_->defaultOutput();
        if (out.device == paNoDevice) throw RuntimeError(err::DeviceUnavailable, "AudioOutput", "no sound device");
        out.channelCount = format.channels;
        out.sampleFormat = paInt16;
        out.suggestedLatency = api_->deviceInfo(out.device)->defaultHighOutputLatency;
        QuietStderr quiet;
        if (api_->openStream(&stream_, nullptr, &out, format.sampleRate, paFramesPerBufferUnspecified, paNoFlag,
                             nullptr, nullptr) != paNoError)
            throw RuntimeError(err::DeviceUnavailable, "AudioOutput", "the sound device refuses the format");
    }
    ~PortAudioOutput() override {
        if (stream_) {
            api_->abortStream(stream_);
            api_->closeStream(stream_);
        }
    }

    size_t write(const int16_t* samples, size_t frames) override {
        if (stopped_) return 0;
        if (!started_) {
            started_ = api_->startStream(stream_) == paNoError;
            if (!started_) return 0;
            startTime_ = api_->streamTime(stream_);
        }
        const long room = api_->writeAvailable(stream_);
        const size_t taken = room > 0 ? std::min(frames, size_t(room)) : 0;
        if (taken > 0 && api_->writeStream(stream_, samples, (unsigned long)taken) != paNoError) return 0;
        written_ += int64_t(taken);
        return taken;
    }
    int64_t playedFrames() const override {
        if (!started_) return 0;
        const double t = (stopped_ ? stopTime_ : api_->streamTime(stream_)) - startTime_;
        return std::clamp<int64_t>(int64_t(t * format().sampleRate), 0, written_);
    }
    void stop() override {
        if (started_ && !stopped_) {
            stopTime_ = api_->streamTime(stream_);
            api_->abortStream(stream_);
        }
        stopped_ = true;
    }
    bool audible() const override { return true; }

private:
    std::unique_ptr<PortAudioSession> session_;
    PortAudioApi* api_ = &session_->api;
    PaStream* stream_ = nullptr;
    bool started_ = false, stopped_ = false;
    double startTime_ = 0, stopTime_ = 0;
    int64_t written_ = 0;
};

}  // namespace

std::unique_ptr<AudioOutput> nullAudioOutput(const PcmFormat& format, size_t bufferFrames) {
    return std::make_unique<NullAudioOutput>(format, bufferFrames);
}

std::unique_ptr<AudioOutput> openAudioOutput(const PcmFormat& format) {
    const char* choice = std::getenv("NALO_AUDIO");
    if (!(choice && std::strcmp(choice, "null") == 0) && format.sampleRate > 0 && format.channels >= 1 &&
        format.channels <= 2) {
        try {
            return std::make_unique<PortAudioOutput>(format);
        } catch (const RuntimeError&) {
        }
    }
    return nullAudioOutput(format);
}

}  // namespace nalo
