#pragma once
// The containers a new video is written in, chosen by the output's extension, and the
// compressors each one takes.
#include <cstdint>
#include <string>
#include <vector>

namespace nalo {

enum class VideoContainer { Avi, Mp4, Mov, Matroska, WebM };

// ".mp4"/".m4v" MP4, ".mov" QuickTime, ".mkv" Matroska, ".webm" WebM (any case);
// every other name AVI.
VideoContainer ContainerForPath(const std::string& path);
// FFmpeg's muxer name ("avi", "mp4", "mov", "matroska", "webm").
const char* MuxerName(VideoContainer container);
// "AVI", "MP4", "QuickTime", "Matroska", "WebM".
const char* ContainerName(VideoContainer container);
// The compressor handlers the container takes, its default first: AVI full frames and
// every encoder; MP4 and QuickTime H.264 then MPEG-4 Part 2; Matroska H.264, VP9,
// MPEG-4 Part 2, Motion JPEG and FFV1; WebM VP9.
const std::vector<uint32_t>& ContainerHandlers(VideoContainer container);

}  // namespace nalo
