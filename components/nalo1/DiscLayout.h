#pragma once
// The table of contents and data layout of a disc image, as the image parsers give it:
// the tracks with their start addresses, and the disc's frames as a run of segments,
// each read from a data file or generated as silence.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace nalo::discimage {

inline constexpr uint32_t RawSectorSize = 2352;
// 100 minutes of frames: the most an image may hold, so addresses fit every TOC form.
inline constexpr int64_t MaxFrames = 100 * 60 * 75;

// A malformed image; the text says what is wrong (the file is named by the caller).
struct ImageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// Raises ImageError with the formatted text; malformedAt puts "line N: " before it.
[[noreturn]] void malformed(const char* format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void malformedAt(int line, const char* format, ...) __attribute__((format(printf, 2, 3)));

struct DataFile {
    std::string path;   // resolved, at or below the image's folder (or the image itself)
    uint64_t size = 0;  // bytes when it was checked
};

struct Segment {
    int64_t start = 0;          // first disc address
    int64_t frames = 0;
    int file = -1;              // index in DiscLayout::files; -1 for silence
    uint64_t offset = 0;        // byte offset of the first frame in the file
    uint32_t sectorSize = RawSectorSize;
};

struct Track {
    int64_t start = 0;  // disc address of index 1
    bool audio = true;
    std::string title, performer;
};

struct DiscLayout {
    int firstTrack = 1;
    std::vector<Track> tracks;
    int64_t leadout = 0;  // the address after the last frame
    std::vector<DataFile> files;
    std::vector<Segment> segments;  // in address order, without gaps from the first
    std::string title, performer;   // of the disc

    // Appends `frames` frames at the current end of the disc (leadout).
    void append(int file, uint64_t offset, int64_t frames, uint32_t sectorSize = RawSectorSize);
    // Checks the whole: 1..99 tracks numbered within 1..99, starts rising within the
    // data, at most MaxFrames. Raises ImageError.
    void validate() const;
};

}  // namespace nalo::discimage
