#include "components/nalo1/DiscImage.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "components/nalo1/CueSheet.h"
#include "components/nalo1/NrgImage.h"
#include "components/nalo1/TocFile.h"

namespace nalo::discimage {

namespace {

std::string lowerExtension(const std::string& path) {
    const size_t slash = path.rfind('/'), dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

}  // namespace

bool isImageName(const std::string& path) {
    const std::string ext = lowerExtension(path);
    return ext == ".cue" || ext == ".toc" || ext == ".nrg";
}

DiscLayout readLayout(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == ".cue") return parseCueSheet(path);
    if (ext == ".toc") return parseTocFile(path);
    if (ext == ".nrg") return parseNrgImage(path);
    malformed("not a disc image (.cue, .toc or .nrg)");
}

DiscImage::DiscImage(const std::string& path) : layout_(readLayout(path)) {
    for (const DataFile& f : layout_.files) {
        files_.emplace_back(f.path);
        // A file that shrank since it was checked is caught by the reads.
    }
}

bool DiscImage::readFrames(int64_t first, int64_t count, uint8_t* out) const {
    if (first < 0 || count < 0 || first + count > layout_.leadout) return false;
    const auto& segments = layout_.segments;
    auto s = std::upper_bound(segments.begin(), segments.end(), first,
                              [](int64_t lsn, const Segment& seg) { return lsn < seg.start; });
    if (s == segments.begin()) return false;
    --s;
    while (count > 0) {
        if (s == segments.end() || first < s->start) return false;
        const int64_t piece = std::min(count, s->start + s->frames - first);
        const size_t bytes = size_t(piece) * RawSectorSize;
        if (s->file < 0) {
            std::memset(out, 0, bytes);
        } else {
            if (s->sectorSize != RawSectorSize) return false;
            if (!files_[size_t(s->file)].readAt(s->offset + uint64_t(first - s->start) * RawSectorSize, out, bytes))
                return false;
        }
        out += bytes;
        first += piece;
        count -= piece;
        ++s;
    }
    return true;
}

}  // namespace nalo::discimage
