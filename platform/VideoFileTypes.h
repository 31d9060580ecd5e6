#pragma once
// The names of the video files the video tools open: AVI and the containers the
// video layer reads besides it.
#include <string>
#include <string_view>

namespace nalo {

// "*.avi *.mp4 ...": the file-dialog patterns, blank-separated.
const std::string& VideoFilePatterns();
// True for a video's extension (without the dot, any case).
bool IsVideoExtension(std::string_view extension);

}  // namespace nalo
