#pragma once
// The media-control commands the audio-CD tool sends, and the layer that answers them:
// "cdaudio" plays the open drive from a track to the end of the disc (audio read
// through the CD reader), the alias of an opened MP3 plays one file, and PlaySound
// plays a WAV file looping. Positions run on a clock; the audio goes to a sink, which
// may be the null output when no device exists (playback then runs silently).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "tools/cd2mp3/CdDrive.h"

namespace nalo::cd2mp3 {

class PlaybackClock {
public:
    virtual ~PlaybackClock() = default;
    virtual int64_t milliseconds() const = 0;
};

// The monotonic clock of the machine.
class SteadyClock final : public PlaybackClock {
public:
    int64_t milliseconds() const override;
};

// 16-bit interleaved audio (44 100 Hz stereo unless it says otherwise), pulled by the sink.
class PcmSource {
public:
    virtual ~PcmSource() = default;
    // Fills up to `frames` frames; 0 at the end.
    virtual size_t read(int16_t* samples, size_t frames) = 0;
    // Back to the beginning, for looping; false when it cannot.
    virtual bool rewind() { return false; }
    virtual int sampleRate() const { return 44100; }
    virtual int channels() const { return 2; }
};

// Where the audio is heard. Each channel (the CD, the MP3, the WAV) plays one source.
class AudioSink {
public:
    enum Channel { Cd, Mp3, Wav, Channels };
    virtual ~AudioSink() = default;
    virtual bool hasDevice() const = 0;
    virtual void start(Channel channel, std::unique_ptr<PcmSource> source, bool loop) = 0;
    virtual void stop(Channel channel) = 0;
};

// No device: nothing is heard, nothing fails.
class NullAudioSink final : public AudioSink {
public:
    bool hasDevice() const override { return false; }
    void start(Channel, std::unique_ptr<PcmSource>, bool) override {}
    void stop(Channel) override {}
};

// The decoded audio of an MP3 file (FFmpeg); null when it cannot be decoded.
std::unique_ptr<PcmSource> Mp3FileSource(const std::string& path);

// Length of an MP3 file in milliseconds from its frame headers (after an ID3v2 tag);
// nothing when the file holds no MPEG audio frame.
std::optional<int64_t> Mp3Duration(const std::string& path);

class MciLayer {
public:
    // `drive`: the open drive "cdaudio" plays (may be null: no CD device).
    MciLayer(const PlaybackClock& clock, AudioSink& sink, const CdDrive* drive);

    // mciSendStringA: 0 on success, an error number otherwise; `reply` gets the
    // status replies (left as it was by other commands and failures).
    int32_t mciSendString(const std::string& command, std::string* reply = nullptr);
    // PlaySoundA: `path` looping asynchronously (flags 9), or "" to stop any sound.
    bool PlaySound(const std::string& path);
    bool waveOutDevices() const { return sink_.hasDevice(); }

    int32_t commandsSent() const { return commands_; }
    void setDrive(const CdDrive* drive) { drive_ = drive; }

private:
    int32_t cdCommand(const std::string& verb, const std::string& rest, std::string* reply);
    int32_t mp3Command(const std::string& verb, const std::string& rest, std::string* reply);
    int32_t cdPosition() const;  // the frame playing (LBA), the lead-out once finished
    bool mp3Playing() const;

    const PlaybackClock& clock_;
    AudioSink& sink_;
    const CdDrive* drive_;
    int32_t commands_ = 0;
    // cdaudio
    bool cdOpen_ = false, cdPlaying_ = false;
    int32_t cdFrom_ = 0;
    int64_t cdStarted_ = 0;
    // the MP3 alias
    bool mp3Open_ = false, mp3Playing_ = false;
    std::string mp3Alias_, mp3Path_;
    int64_t mp3Length_ = 0, mp3Started_ = 0;
};

}  // namespace nalo::cd2mp3
