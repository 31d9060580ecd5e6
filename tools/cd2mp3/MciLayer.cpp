#include "tools/cd2mp3/MciLayer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "codecs/LittleEndian.h"
#include "shell/RuntimeError.h"

namespace nalo::cd2mp3 {

namespace {

constexpr int32_t MciOk = 0;
constexpr int32_t MciNotOpen = 263;         // device not open
constexpr int32_t MciBadCommand = 274;      // unrecognised command
constexpr int32_t MciFileUnreadable = 275;  // cannot open the file
constexpr int32_t MciNoDisc = 264;          // no disc / no drive

// "mm:ss:ff" of a frame count.
std::string msfText(int32_t frames) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", frames / (60 * FramesPerSecond), frames / FramesPerSecond % 60,
                  frames % FramesPerSecond);
    return text;
}

// The words of a command: verb, device, rest.
struct Words {
    std::string verb, device, rest;
};

Words split(const std::string& command) {
    Words w;
    size_t at = command.find(' ');
    w.verb = command.substr(0, at);
    if (at == std::string::npos) return w;
    size_t start = at + 1, end;
    if (start < command.size() && command[start] == '"') {
        end = command.find('"', start + 1);
        w.device = command.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
        end = end == std::string::npos ? command.size() : end + 1;
    } else {
        end = std::min(command.find(' ', start), command.size());
        w.device = command.substr(start, end - start);
    }
    if (end < command.size()) w.rest = command.substr(end + 1);
    return w;
}

bool equalNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

// The frames of the open drive from one address to another, block by block.
class CdAudioSource final : public PcmSource {
public:
    CdAudioSource(const CdDrive& drive, int32_t from, int32_t end)
        : drive_(drive), lba_(from), end_(end), buffer_(ReadBufferSize) {}
    size_t read(int16_t* samples, size_t frames) override {
        size_t done = 0;
        while (done < frames) {
            if (used_ == have_) {
                const int32_t n = std::min(BlockFrames, end_ - lba_);
                if (n <= 0 || !drive_.ReadBlock(buffer_.data(), lba_, n)) break;
                lba_ += n;
                have_ = size_t(n) * (FrameBytes / 4);
                used_ = 0;
            }
            const size_t take = std::min(frames - done, have_ - used_);
            std::memcpy(samples + 2 * done, buffer_.data() + ReadHeaderSize + 4 * used_, 4 * take);
            used_ += take;
            done += take;
        }
        return done;
    }

private:
    const CdDrive& drive_;
    int32_t lba_, end_;
    std::vector<uint8_t> buffer_;
    size_t have_ = 0, used_ = 0;  // sample pairs in the buffer, pairs taken
};

// The data chunk of a 16-bit stereo WAV file.
class WavFileSource final : public PcmSource {
public:
    explicit WavFileSource(const std::string& path) : in_(path, std::ios::binary) { findData(); }
    bool rewind() override {
        in_.clear();
        in_.seekg(0);
        findData();
        return valid();
    }
    bool valid() const { return left_ > 0; }
    size_t read(int16_t* samples, size_t frames) override {
        const size_t n = std::min<size_t>(frames, left_);
        in_.read(reinterpret_cast<char*>(samples), std::streamsize(n * 4));
        const size_t got = size_t(in_.gcount()) / 4;
        left_ -= got;
        return got;
    }

private:
    void findData() {
        left_ = 0;
        uint8_t head[12];
        if (!in_.read(reinterpret_cast<char*>(head), 12) || std::memcmp(head, "RIFF", 4) || std::memcmp(head + 8, "WAVE", 4))
            return;
        uint8_t chunk[8];
        while (in_.read(reinterpret_cast<char*>(chunk), 8)) {
            const uint32_t size = getLe32(chunk + 4);
            if (!std::memcmp(chunk, "data", 4)) {
                left_ = size / 4;
                return;
            }
            in_.seekg(size + (size & 1), std::ios::cur);
        }
    }

    std::ifstream in_;
    uint64_t left_ = 0;
};

}  // namespace

int64_t SteadyClock::milliseconds() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::optional<int64_t> Mp3Duration(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    size_t at = 0;
    if (bytes.size() >= 10 && !std::memcmp(bytes.data(), "ID3", 3))
        at = 10 + ((bytes[6] & 0x7F) << 21 | (bytes[7] & 0x7F) << 14 | (bytes[8] & 0x7F) << 7 | (bytes[9] & 0x7F));
    static constexpr int mpeg1Rates[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static constexpr int sampleRates[] = {44100, 48000, 32000, 0};
    int64_t samples = 0;
    int rate = 0;
    while (at + 4 <= bytes.size()) {
        const uint8_t* h = &bytes[at];
        // MPEG-1 layer III frames only: the tool writes no other.
        if (h[0] != 0xFF || (h[1] & 0xFE) != 0xFA) break;
        const int kbps = mpeg1Rates[h[2] >> 4], hz = sampleRates[(h[2] >> 2) & 3];
        if (kbps == 0 || hz == 0) break;
        at += size_t(144 * kbps * 1000 / hz + ((h[2] >> 1) & 1));
        samples += 1152;
        rate = hz;
    }
    if (samples == 0) return std::nullopt;
    return samples * 1000 / rate;
}

MciLayer::MciLayer(const PlaybackClock& clock, AudioSink& sink, const CdDrive* drive)
    : clock_(clock), sink_(sink), drive_(drive) {}

int32_t MciLayer::mciSendString(const std::string& command, std::string* reply) {
    ++commands_;
    const Words w = split(command);
    if (equalNoCase(w.device, "cdaudio")) return cdCommand(w.verb, w.rest, reply);
    if (equalNoCase(w.verb, "open")) {
        // open "path" type MPEGVideo Alias NAME
        const auto alias = w.rest.rfind(' ');
        const auto length = Mp3Duration(w.device);
        if (!length) return MciFileUnreadable;
        if (mp3Open_) return MciBadCommand;
        mp3Open_ = true;
        mp3Playing_ = false;
        mp3Alias_ = alias == std::string::npos ? w.device : w.rest.substr(alias + 1);
        mp3Path_ = w.device;
        mp3Length_ = *length;
        return MciOk;
    }
    if (mp3Open_ && equalNoCase(w.device, mp3Alias_)) return mp3Command(w.verb, w.rest, reply);
    return MciNotOpen;
}

int32_t MciLayer::cdPosition() const {
    const int32_t leadout = drive_->GetTrackLBA(drive_->TrackCount());
    if (!cdPlaying_) return cdFrom_;
    const int64_t elapsed = (clock_.milliseconds() - cdStarted_) * FramesPerSecond / 1000;
    return static_cast<int32_t>(std::min<int64_t>(cdFrom_ + elapsed, leadout));
}

int32_t MciLayer::cdCommand(const std::string& verb, const std::string& rest, std::string* reply) {
    if (verb == "open") {
        if (!drive_ || drive_->TrackCount() == 0) return MciNoDisc;
        cdOpen_ = true;
        return MciOk;
    }
    if (!cdOpen_) return MciNotOpen;
    const int tracks = drive_->TrackCount();
    int track = 0;
    if (verb == "set") return MciOk;  // the time format is always TMSF
    if (verb == "play" && std::sscanf(rest.c_str(), "from %d", &track) == 1) {
        if (track < 1 || track > tracks) return MciBadCommand;
        cdFrom_ = drive_->GetTrackLBA(track - 1);
        cdStarted_ = clock_.milliseconds();
        cdPlaying_ = true;
        sink_.start(AudioSink::Cd, std::make_unique<CdAudioSource>(*drive_, cdFrom_, drive_->GetTrackLBA(tracks)),
                    false);
        return MciOk;
    }
    if (verb == "stop" || verb == "close") {
        if (cdPlaying_) {
            cdFrom_ = cdPosition();
            cdPlaying_ = false;
            sink_.stop(AudioSink::Cd);
        }
        if (verb == "close") cdOpen_ = false;
        return MciOk;
    }
    if (verb != "status" || !reply) return MciBadCommand;
    const int32_t position = cdPosition();
    int current = 1;
    while (current < tracks && drive_->GetTrackLBA(current) <= position) ++current;
    if (std::sscanf(rest.c_str(), "length track %d", &track) == 1) {
        if (track < 1 || track > tracks) return MciBadCommand;
        *reply = msfText(drive_->GetTrackLBA(track) - drive_->GetTrackLBA(track - 1));
        return MciOk;
    }
    if (rest == "position") {
        char tt[16];
        std::snprintf(tt, sizeof tt, "%02d:", current);
        *reply = tt + msfText(position - drive_->GetTrackLBA(current - 1));
        return MciOk;
    }
    if (rest == "current track") {
        *reply = std::to_string(current);
        return MciOk;
    }
    return MciBadCommand;
}

bool MciLayer::mp3Playing() const { return mp3Playing_ && clock_.milliseconds() - mp3Started_ < mp3Length_; }

int32_t MciLayer::mp3Command(const std::string& verb, const std::string& rest, std::string* reply) {
    if (verb == "play") {
        // From the start ("from 0") or, without a position, from where it stands: the
        // tool only ever plays a stopped file from its beginning.
        mp3Started_ = clock_.milliseconds();
        mp3Playing_ = true;
        (void)rest;
        if (sink_.hasDevice())
            if (auto sound = Mp3FileSource(mp3Path_)) sink_.start(AudioSink::Mp3, std::move(sound), false);
        return MciOk;
    }
    if (verb == "stop" || verb == "close") {
        mp3Playing_ = false;
        sink_.stop(AudioSink::Mp3);
        if (verb == "close") mp3Open_ = false;
        return MciOk;
    }
    if (verb == "status" && rest == "mode" && reply) {
        *reply = mp3Playing() ? "playing" : "stopped";
        return MciOk;
    }
    return MciBadCommand;
}

bool MciLayer::PlaySound(const std::string& path) {
    ++commands_;
    if (path.empty()) {
        sink_.stop(AudioSink::Wav);
        return true;
    }
    auto source = std::make_unique<WavFileSource>(path);
    if (!source->valid()) return false;
    sink_.start(AudioSink::Wav, std::move(source), true);
    return true;
}

}  // namespace nalo::cd2mp3
