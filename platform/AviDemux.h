#pragma once
// FFmpeg side of the AVI layer: an opened demuxer and what a video stream declares.
// Shared by the file/stream calls and the frame reader.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/AviFile.h"
#include "platform/VideoTimeline.h"

struct AVFormatContext;
struct AVInputFormat;

namespace nalo {

struct FormatCloser {
    void operator()(AVFormatContext* ctx) const;
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;

// Opens `path` with the AVI demuxer only; null when it is not a readable AVI.
FormatPtr openAviDemuxer(const std::string& path);
// The same for another container (FFmpeg's demuxer name, e.g. "mp3"); null: any
// container of VideoDemuxers that the file's content shows.
FormatPtr openDemuxer(const std::string& path, const char* container);
// The same with the demuxer a first open found.
FormatPtr openDemuxer(const std::string& path, const AVInputFormat* format);
// AVIFileOpen for OF_CREATE + OF_WRITE.
AviResult openAviForWriting(PAVIFILE& file, const std::string& path, uint32_t mode);
// Index of the n-th video stream, or -1.
int findVideoStream(AVFormatContext* ctx, int n);

class AviMuxer;

class AviFile {
public:
    std::string path;
    FormatPtr format;                // files opened for reading
    bool avi = true;                 // read through the AVI index; else by timeline
    std::vector<std::pair<int, std::shared_ptr<const VideoTimeline>>> timelines;  // by stream, once scanned
    std::shared_ptr<AviMuxer> muxer;  // files opened for writing
};

class AviStream {
public:
    PAVIFILE file;
    int index = -1;     // FFmpeg stream index
    int width = 0, height = 0;
    uint32_t handler = 0;
    int64_t scale = 1, rate = 1;
    int32_t start = 0, length = 0;
    std::shared_ptr<const VideoTimeline> timeline;  // null for an AVI
    int rotation = 0;  // clockwise quarter turns that make the picture upright (0..3)
    bool compressed = false;  // a writing stream made by AVIMakeCompressedStream
};

}  // namespace nalo
