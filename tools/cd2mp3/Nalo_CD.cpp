#include "tools/cd2mp3/Nalo_CD.h"

#include <cstdlib>

namespace nalo::cd2mp3 {

namespace {

// Characters `from` (1-based) on, at most `count`.
std::string mid(const std::string& s, size_t from, size_t count) {
    return from - 1 < s.size() ? s.substr(from - 1, count) : std::string();
}

// The leading number of a text, 0 when there is none.
int val(const std::string& s) { return std::atoi(s.c_str()); }

}  // namespace

std::string LengthMinutesText(const std::string& r) { return mid(r, 1, 2); }
std::string LengthSecondsText(const std::string& r) { return mid(r, 4, 2); }
std::string PositionSecondsText(const std::string& r) { return mid(r, 7, 2); }

int PositionMinutes(const std::string& r) {
    std::string m = mid(r, 4, 2);
    if (!m.empty() && m[0] == '0') m.erase(0, 1);
    return val(m);
}

int RemainingMinutes(const std::string& length, const std::string& position) {
    int m = val(LengthMinutesText(length)) - PositionMinutes(position);
    if (val(LengthSecondsText(length)) - val(PositionSecondsText(position)) < 0) --m;
    return m;
}

std::string RemainingSeconds(const std::string& length, const std::string& position) {
    int s = val(LengthSecondsText(length)) - val(PositionSecondsText(position));
    if (s < 0) s += 60;
    return s < 10 ? "0" + std::to_string(s) : std::to_string(s);
}

void Nalo_CD::PlayCDTrack(int track) {
    mci_.mciSendString("open cdaudio wait");
    mci_.mciSendString("set cdaudio time format tmsf wait");
    mci_.mciSendString("play cdaudio from " + std::to_string(track));
}

void Nalo_CD::StopCD() {
    mci_.mciSendString("stop cdaudio");
    mci_.mciSendString("close cdaudio");
}

std::string Nalo_CD::CDCurrentTrack() {
    mci_.mciSendString("status cdaudio current track", &reply_);
    return reply_;
}

std::string Nalo_CD::lengthReply() {
    mci_.mciSendString("status cdaudio length track " + CDCurrentTrack(), &reply_);
    return reply_;
}

std::string Nalo_CD::positionReply() {
    mci_.mciSendString("status cdaudio position", &reply_);
    return reply_;
}

int Nalo_CD::CDRemainingMinutes() {
    const std::string length = lengthReply();
    return RemainingMinutes(length, positionReply());
}

std::string Nalo_CD::CDRemainingSeconds() {
    const std::string length = lengthReply();
    return RemainingSeconds(length, positionReply());
}

void Nalo_CD::PlayMp3File(const std::string& path) {
    if (mci_.mciSendString("open \"" + path + "\" type MPEGVideo Alias MP3Play") == 0)
        mci_.mciSendString("play MP3Play");
}

bool Nalo_CD::IsMp3Playing() {
    std::string mode;
    mci_.mciSendString("status MP3Play mode", &mode);
    return mode.substr(0, 7) == "playing";
}

void Nalo_CD::StopMp3File() {
    mci_.mciSendString("stop MP3Play");
    mci_.mciSendString("close MP3Play");
}

void Nalo_CD::RestartMp3IfStopped() {
    if (IsMp3Playing()) return;
    mci_.mciSendString("stop MP3Play");
    mci_.mciSendString("play MP3Play from 0");
}

void Nalo_CD::PlayWavFile(const std::string& path) {
    if (mci_.waveOutDevices()) mci_.PlaySound(path);
}

void Nalo_CD::StopWavFile() { mci_.PlaySound(""); }

}  // namespace nalo::cd2mp3
