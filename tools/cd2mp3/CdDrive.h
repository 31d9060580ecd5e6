#pragma once
// modAKRip32: the CD drives of the CD reader component, the open drive and its table
// of contents, and block reads of audio frames.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ComponentLibrary.h"

namespace nalo::cd2mp3 {

inline constexpr int32_t FrameBytes = 2352;        // one CD frame: 588 stereo 16-bit samples
inline constexpr int32_t SamplesPerFrame = 1176;   // 16-bit samples, both channels
inline constexpr int32_t FramesPerSecond = 75;
inline constexpr int32_t BlockFrames = 26;
inline constexpr size_t ReadHeaderSize = 24;
inline constexpr size_t ReadBufferSize = ReadHeaderSize + BlockFrames * FrameBytes;  // 61176
inline constexpr int MaxDrives = 8;
inline constexpr size_t RecordSize = 121;
inline constexpr size_t TocSize = 808;
inline constexpr int TocEntries = 100;

using CdRecord = std::array<uint8_t, RecordSize>;

// The reader's text for an error code of GetAspiLibError ("" for an unknown code).
std::string AspiErrorText(int32_t code);

class CdDrive {
public:
    explicit CdDrive(const CdReader& reader) : reader_(reader) {}
    ~CdDrive();
    CdDrive(const CdDrive&) = delete;
    CdDrive& operator=(const CdDrive&) = delete;

    const CdReader& reader() const { return reader_; }

    // The list record of drive `index` (0..7; above 7 raises error 9).
    CdRecord GetCDRecord(int index) const;
    // The drive names for the window: every non-zero byte of each record's
    // identification field, for each index below GetNumAdapters() (at most 8).
    std::vector<std::string> DriveNames() const;
    // Opens the drive (closing the one open before) and reads its TOC. True when ReadTOC returns 1.
    bool OpenCDDrive(int index);
    void CloseCDDrive();
    // TOC entry 0..99 as a 32-bit address (entry k - 1 starts track k); others raise error 9.
    int32_t GetTrackLBA(int entry) const;
    // Tracks before the lead-out: entries 1.. up to the first zero address.
    int TrackCount() const;
    // The reader's text for its last error.
    std::string AspiErrorText() const;
    // Why drive `index`, a malformed disc image, cannot be opened (naming the image);
    // "" for a drive or a sound image.
    std::string ImageProblem(int index) const;

    // Reads `count` (1..26) frames from `lba` into `buffer` (ReadBufferSize bytes; the
    // audio starts at ReadHeaderSize), tried at most three times. True on success.
    bool ReadBlock(uint8_t* buffer, int32_t lba, int32_t count) const;
    // The CD-Text title (field 0) or performer (field 1) of a track (0: the disc).
    std::string CDText(int track, int field) const;
    uint8_t handle() const { return handle_; }

private:
    const CdReader& reader_;
    uint8_t handle_ = 0;
    std::array<uint8_t, TocSize> toc_{};
};

}  // namespace nalo::cd2mp3
