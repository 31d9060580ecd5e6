#pragma once
// One track of the open drive converted into the output folder: WAV, or MP3 with its
// ID3v2 tag. Shared by the window's batch and the command line.
#include <string>

#include "tools/cd2mp3/TrackCopy.h"
#include "tools/cd2mp3/TrackNames.h"

namespace nalo::cd2mp3 {

struct ConversionOptions {
    OutputMode mode = OutputMode::Mp3;
    LameConfig config{};  // MP3 mode
};

// Track `track` (1-based: TOC entries track - 1 to track) into `path`. `encoder` is
// needed in MP3 mode only.
CopyResult ConvertTrack(const CdDrive& drive, const Mp3Encoder* encoder, CopyHost& host, const std::string& path,
                        int track, const ConversionOptions& options);

}  // namespace nalo::cd2mp3
