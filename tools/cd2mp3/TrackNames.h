#pragma once
// Names of the tool's tracks and output files.
#include <string>

namespace nalo::cd2mp3 {

enum class OutputMode { Mp3 = 0, Wav = 1 };

// "Track " and the 1-based track number in two digits: "Track 03".
std::string TrackName(int track);
// ".mp3" or ".wav".
const char* OutputExtension(OutputMode mode);
// The folder with "/" appended unless it ends with one, the name and the extension.
std::string OutputPath(const std::string& folder, int track, OutputMode mode);
// The name an unfinished output is kept under: ".incomplete" before the extension
// ("Track 02.incomplete.wav").
std::string IncompletePath(const std::string& path);
// True when `path` ends in `ext` ("WAV", "MP3") without regard to case.
bool EndsWithNoCase(const std::string& path, const std::string& ext);

}  // namespace nalo::cd2mp3
