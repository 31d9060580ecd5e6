#pragma once
// Nalo_CD and Nalo_File: CD-track and file playback as fixed command sequences over
// the media-control layer, and the remaining time of the CD track from its replies.
#include <string>

#include "tools/cd2mp3/MciLayer.h"

namespace nalo::cd2mp3 {

// The reply fields, read at fixed character positions as the replies have them
// ("mm:ss:ff" for a length, "tt:mm:ss:ff" for a position). Short replies give what
// stands there.
std::string LengthMinutesText(const std::string& lengthReply);   // characters 1-2
std::string LengthSecondsText(const std::string& lengthReply);   // characters 4-5
int PositionMinutes(const std::string& positionReply);           // characters 4-5, a leading "0" dropped
std::string PositionSecondsText(const std::string& positionReply);  // characters 7-8
// Minutes left (without a leading zero) and seconds left (two digits).
int RemainingMinutes(const std::string& lengthReply, const std::string& positionReply);
std::string RemainingSeconds(const std::string& lengthReply, const std::string& positionReply);

class Nalo_CD {
public:
    explicit Nalo_CD(MciLayer& mci) : mci_(mci) {}

    void PlayCDTrack(int track);
    void StopCD();
    std::string CDCurrentTrack();
    int CDRemainingMinutes();
    std::string CDRemainingSeconds();

    // The file routines play `path` (the window's PlayFilePath).
    void PlayMp3File(const std::string& path);
    bool IsMp3Playing();
    void StopMp3File();
    void RestartMp3IfStopped();
    void PlayWavFile(const std::string& path);
    void StopWavFile();

private:
    std::string lengthReply();
    std::string positionReply();

    MciLayer& mci_;
    std::string reply_;  // the status reply buffer
};

}  // namespace nalo::cd2mp3
