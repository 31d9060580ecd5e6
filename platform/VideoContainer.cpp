#include "platform/VideoContainer.h"

#include <algorithm>
#include <cctype>

#include "platform/AviFile.h"

namespace nalo {

VideoContainer ContainerForPath(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return VideoContainer::Avi;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == "mp4" || ext == "m4v") return VideoContainer::Mp4;
    if (ext == "mov") return VideoContainer::Mov;
    if (ext == "mkv") return VideoContainer::Matroska;
    if (ext == "webm") return VideoContainer::WebM;
    return VideoContainer::Avi;
}

const char* MuxerName(VideoContainer container) {
    switch (container) {
    case VideoContainer::Mp4: return "mp4";
    case VideoContainer::Mov: return "mov";
    case VideoContainer::Matroska: return "matroska";
    case VideoContainer::WebM: return "webm";
    default: return "avi";
    }
}

const char* ContainerName(VideoContainer container) {
    switch (container) {
    case VideoContainer::Mp4: return "MP4";
    case VideoContainer::Mov: return "QuickTime";
    case VideoContainer::Matroska: return "Matroska";
    case VideoContainer::WebM: return "WebM";
    default: return "AVI";
    }
}

const std::vector<uint32_t>& ContainerHandlers(VideoContainer container) {
    static const std::vector<uint32_t> avi{comptypeDIB, comptypeMJPG, comptypeFMP4, comptypeFFV1, comptypeH264};
    static const std::vector<uint32_t> mp4{comptypeH264, comptypeFMP4};
    static const std::vector<uint32_t> mkv{comptypeH264, comptypeVP90, comptypeFMP4, comptypeMJPG, comptypeFFV1};
    static const std::vector<uint32_t> webm{comptypeVP90};
    switch (container) {
    case VideoContainer::Mp4:
    case VideoContainer::Mov: return mp4;
    case VideoContainer::Matroska: return mkv;
    case VideoContainer::WebM: return webm;
    default: return avi;
    }
}

}  // namespace nalo
