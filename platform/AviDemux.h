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
// Index of the n-th video stream, or -1.
int findVideoStream(AVFormatContext* ctx, int n);

class AviFile {
public:
    std::string path;
    FormatPtr format;
};

class AviStream {
public:
    PAVIFILE file;
    int index = -1;     // FFmpeg stream index
    int width = 0, height = 0;
    uint32_t handler = 0;
    int64_t scale = 1, rate = 1;
    int32_t start = 0, length = 0;
};

}  // namespace nalo
