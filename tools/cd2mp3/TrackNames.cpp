#include "tools/cd2mp3/TrackNames.h"

#include <cctype>
#include <cstdio>

#include "shell/FileHelpers.h"

namespace nalo::cd2mp3 {

std::string TrackName(int track) {
    char name[16];
    std::snprintf(name, sizeof name, "Track %02d", track);
    return name;
}

const char* OutputExtension(OutputMode mode) { return mode == OutputMode::Wav ? ".wav" : ".mp3"; }

std::string OutputPath(const std::string& folder, int track, OutputMode mode) {
    return AddBackslash(folder) + TrackName(track) + OutputExtension(mode);
}

std::string IncompletePath(const std::string& path) {
    const size_t slash = path.rfind('/'), dot = path.rfind('.');
    const size_t at = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path.size() : dot;
    return path.substr(0, at) + ".incomplete" + path.substr(at);
}

bool EndsWithNoCase(const std::string& path, const std::string& ext) {
    if (path.size() < ext.size()) return false;
    for (size_t i = 0; i < ext.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(path[path.size() - ext.size() + i])) !=
            std::toupper(static_cast<unsigned char>(ext[i])))
            return false;
    return true;
}

}  // namespace nalo::cd2mp3
