#include "components/nalo1/NrgImage.h"

#include <vector>

#include "components/nalo1/ImageFile.h"

namespace nalo::discimage {

namespace {

// Track tables are at most 99 entries of 42 bytes; larger known chunks are refused.
constexpr uint32_t MaxChunk = 1 << 16;

unsigned long long ull(uint64_t v) { return v; }

uint64_t be(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
    return v;
}

struct Span {
    uint64_t pregap, start, end;  // byte offsets: index 0, index 1, after the last frame
    uint32_t sectorSize;
    bool audio;
};

uint32_t sectorSizeOfMode(uint64_t mode, bool& audio) {
    audio = mode == 7;
    switch (mode) {
    case 0: return 2048;
    case 2: case 3: return 2336;
    case 6: case 7: return 2352;
    default: return 0;
    }
}

std::vector<Span> daoTracks(const std::vector<uint8_t>& c, int width) {
    constexpr size_t Head = 22;
    const size_t entry = 18 + 3 * size_t(width);
    if (c.size() < Head) malformed("a DAO chunk shorter than its header");
    const int first = c[20], last = c[21];
    if (first < 1 || last > 99 || last < first) malformed("DAO track numbers outside 1-99");
    const size_t count = size_t(last - first + 1);
    if (c.size() < Head + count * entry) malformed("a DAO chunk shorter than its %zu tracks", count);
    std::vector<Span> spans;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = c.data() + Head + i * entry;
        Span s{be(e + 18, width), be(e + 18 + width, width), be(e + 18 + 2 * width, width), uint32_t(be(e + 12, 2)), e[14] == 7};
        if (s.sectorSize != 2048 && s.sectorSize != 2336 && s.sectorSize != 2352) malformed("a DAO track of sector size %u", s.sectorSize);
        if (s.audio && s.sectorSize != RawSectorSize) malformed("an audio track of sector size %u", s.sectorSize);
        spans.push_back(s);
    }
    return spans;
}

std::vector<Span> taoTracks(const std::vector<uint8_t>& c, int width) {
    const size_t entry = 2 * size_t(width) + 12;
    if (c.empty() || c.size() % entry || c.size() / entry > 99) malformed("a TAO chunk of %zu bytes", c.size());
    std::vector<Span> spans;
    for (size_t at = 0; at < c.size(); at += entry) {
        const uint8_t* e = c.data() + at;
        const uint64_t offset = be(e, width), length = be(e + width, width);
        bool audio = false;
        const uint32_t size = sectorSizeOfMode(be(e + 2 * width, 4), audio);
        if (!size) malformed("a TAO track of unknown mode");
        if (length > UINT64_MAX - offset) malformed("a TAO track beyond the end of the file");
        spans.push_back({offset, offset, offset + length, size, audio});
    }
    return spans;
}

}  // namespace

DiscLayout parseNrgImage(const std::string& path) {
    const ImageFile file(path);
    const uint64_t size = file.size();
    uint8_t tail[12];
    if (size < sizeof tail || !file.readAt(size - sizeof tail, tail, sizeof tail)) malformed("too short for a Nero image");
    uint64_t chunks = 0, end = 0;
    if (be(tail, 4) == be(reinterpret_cast<const uint8_t*>("NER5"), 4)) {
        chunks = be(tail + 4, 8);
        end = size - 12;
    } else if (be(tail + 4, 4) == be(reinterpret_cast<const uint8_t*>("NERO"), 4)) {
        chunks = be(tail + 8, 4);
        end = size - 8;
    } else {
        malformed("no Nero footer (NERO or NER5) at the end");
    }
    if (chunks >= end) malformed("the chunk list starts at byte %llu, beyond the data", ull(chunks));

    std::vector<Span> spans;
    for (uint64_t at = chunks; at < end;) {
        uint8_t head[8];
        if (end - at < 8 || !file.readAt(at, head, 8)) malformed("a chunk header cut short at byte %llu", ull(at));
        const std::string id(reinterpret_cast<const char*>(head), 4);
        const uint64_t length = be(head + 4, 4);
        at += 8;
        if (length > end - at)
            malformed("chunk %s of %llu bytes runs past the end of the file", id.c_str(), ull(length));
        if (id == "END!") break;
        const bool dao = id == "DAOI" || id == "DAOX", tao = id == "ETNF" || id == "ETN2";
        if ((dao || tao) && spans.empty()) {
            if (length > MaxChunk) malformed("chunk %s of %llu bytes", id.c_str(), ull(length));
            std::vector<uint8_t> c(static_cast<size_t>(length));
            if (!file.readAt(at, c.data(), c.size())) malformed("chunk %s cannot be read", id.c_str());
            const int w = id == "DAOX" || id == "ETN2" ? 8 : 4;
            spans = dao ? daoTracks(c, w) : taoTracks(c, w);
        }
        at += length;
    }
    if (spans.empty()) malformed("no track table (DAOI, DAOX, ETNF or ETN2)");

    DiscLayout layout;
    layout.files.push_back({path, size});
    uint64_t previousEnd = 0;
    for (size_t i = 0; i < spans.size(); ++i) {
        const Span& s = spans[i];
        if (s.pregap < previousEnd || s.start < s.pregap || s.end <= s.start || s.end > chunks)
            malformed("track %zu lies outside the image's data or overlaps the one before", i + 1);
        if ((s.start - s.pregap) % s.sectorSize || (s.end - s.start) % s.sectorSize)
            malformed("track %zu is not whole sectors", i + 1);
        // The first track's pregap lies before address 0, as on a disc.
        if (i > 0) layout.append(0, s.pregap, int64_t((s.start - s.pregap) / s.sectorSize), s.sectorSize);
        const int64_t start = layout.leadout;
        const uint64_t frames = (s.end - s.start) / s.sectorSize;
        if (frames > uint64_t(MaxFrames)) malformed("more than 100 minutes of frames");
        layout.append(0, s.start, int64_t(frames), s.sectorSize);
        layout.tracks.push_back({start, s.audio, {}, {}});
        previousEnd = s.end;
    }
    layout.validate();
    return layout;
}

}  // namespace nalo::discimage
