#pragma once
// FFmpeg side of the AVI layer: an opened AVI demuxer and what a video stream
// declares. Shared by the file/stream calls and the frame reader.
#include <memory>
#include <string>

#include "platform/AviFile.h"

struct AVFormatContext;

namespace nalo {

struct FormatCloser {
    void operator()(AVFormatContext* ctx) const;
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;

// Opens `path` with the AVI demuxer only; null when it is not a readable AVI.
FormatPtr openAviDemuxer(const std::string& path);
// The same for another container (FFmpeg's demuxer name, e.g. "mp3").
FormatPtr openDemuxer(const std::string& path, const char* container);
// AVIFileOpen for OF_CREATE + OF_WRITE.
AviResult openAviForWriting(PAVIFILE& file, const std::string& path, uint32_t mode);
// Index of the n-th video stream, or -1.
int findVideoStream(AVFormatContext* ctx, int n);

class AviMuxer;

class AviFile {
public:
    std::string path;
    FormatPtr format;                // files opened for reading
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
    bool compressed = false;  // a writing stream made by AVIMakeCompressedStream
};

}  // namespace nalo
