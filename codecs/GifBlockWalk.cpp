#include "codecs/GifBlockWalk.h"

#include <cstring>

#include "codecs/LittleEndian.h"

namespace nalo {

namespace {

// Moves pos past the data sub-blocks starting there (after the zero-length block);
// false, with pos at the end of the file, when the file ends first.
bool skipSubBlocks(std::span<const uint8_t> f, size_t& pos) {
    while (pos < f.size()) {
        const uint8_t len = f[pos];
        pos += 1 + size_t(len);
        if (len == 0) return pos <= f.size();
    }
    pos = f.size();
    return false;
}

}  // namespace

bool WalkGifBlocks(std::span<const uint8_t> f, GifScreenInfo& s, std::vector<GifFrameInfo>& frames) {
    frames.clear();
    const size_t n = f.size();
    if (n < 4 || std::memcmp(f.data(), "GIF8", 4) != 0 || n < 13) return false;
    s = {};
    s.width = getLe16(&f[6]);
    s.height = getLe16(&f[8]);
    const uint8_t packed = f[10];
    s.globalTable = packed & 0x80;
    s.colourResolution = (packed >> 4) & 7;
    s.sorted = packed & 0x08;
    s.tableSize = packed & 7;
    s.background = f[11];
    s.aspect = f[12];
    size_t pos = 13 + (s.globalTable ? size_t(3) << (s.tableSize + 1) : 0);
    if (pos > n) return false;
    s.frameZeroStart = pos;

    while (pos < n && f[pos] != 0x3B) {
        GifFrameInfo fr;
        fr.start = pos;
        bool image = false;
        while (pos < n && !image) {
            const uint8_t b = f[pos];
            if (b == 0x3B) break;
            if (b == 0x2C) {
                image = true;
                break;
            }
            if (b != 0x21 || pos + 1 >= n) {
                ++pos;  // any other byte
                continue;
            }
            const uint8_t label = f[pos + 1];
            if (label == 0xF9) {
                if (pos + 7 > n) {
                    s.cutShort = true;
                    return true;
                }
                const uint8_t p = f[pos + 3];
                fr.delay = getLe16(&f[pos + 4]);
                fr.transparentIndex = f[pos + 6];
                fr.disposal = (p >> 2) & 7;
                fr.userInput = p & 2;
                fr.transparent = p & 1;
                pos += 7;
            } else if (label == 0xFF || label == 0xFE || label == 0x01) {
                pos += 2 + (label == 0xFF ? 12 : label == 0x01 ? 13 : 0);
                if (!skipSubBlocks(f, pos)) s.cutShort = true;
            } else {
                ++pos;  // an extension of another kind: passed over like any other byte
            }
        }
        if (!image) break;
        if (pos + 10 > n) {
            s.cutShort = true;
            break;
        }
        fr.left = getLe16(&f[pos + 1]);
        fr.top = getLe16(&f[pos + 3]);
        fr.width = getLe16(&f[pos + 5]);
        fr.height = getLe16(&f[pos + 7]);
        fr.packed = f[pos + 9];
        fr.localTable = fr.packed & 0x80;
        fr.interlaced = fr.packed & 0x40;
        fr.sorted = fr.packed & 0x20;
        fr.localSize = fr.packed & 7;
        pos += 10;
        if (fr.localTable) pos += size_t(3) << (fr.localSize + 1);
        if (pos >= n) {  // local table or code size missing
            s.cutShort = true;
            break;
        }
        fr.lzwMinCodeSize = f[pos];
        if (fr.lzwMinCodeSize > 11) return false;
        ++pos;
        fr.cutShort = !skipSubBlocks(f, pos);
        s.cutShort = s.cutShort || fr.cutShort;
        fr.end = pos;
        frames.push_back(fr);
    }
    return true;
}

}  // namespace nalo
