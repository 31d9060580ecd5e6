#pragma once
// Audio-CD images made for the tests: a .bin of random frames with a .cue (or a
// cdrdao .toc) naming its tracks, and the component folder the reader loads from.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "shell/CheckComponents.h"
#include "shell/SystemDir.h"
#include "support/TestSupport.h"

namespace nalo::test {

inline std::string msf(int frames) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", frames / 4500, frames / 75 % 60, frames % 75);
    return text;
}

struct DiscImage {
    std::vector<int> lengths;      // frames per track
    std::vector<uint8_t> frames;   // the whole disc
    std::string cue;               // path of the sheet
    std::string bin;               // path of the frames

    int start(int track) const {   // 1-based track's first frame
        int s = 0;
        for (int t = 1; t < track; ++t) s += lengths[size_t(t - 1)];
        return s;
    }
    const uint8_t* audio(int track) const { return frames.data() + size_t(start(track)) * 2352; }
};

// Writes NAME.bin and NAME.cue into `folder`. `texts`: CD-Text title and performer
// per track (optional).
inline DiscImage makeDiscImage(const TempDir& folder, const std::string& name, std::vector<int> lengths,
                               const std::vector<std::pair<std::string, std::string>>& texts = {}) {
    DiscImage d;
    d.lengths = std::move(lengths);
    int total = 0;
    for (int n : d.lengths) total += n;
    d.frames.resize(size_t(total) * 2352);
    std::mt19937 rng(static_cast<unsigned>(total));
    for (size_t i = 0; i < d.frames.size(); i += 4) {
        const uint32_t v = rng();
        for (size_t b = 0; b < 4 && i + b < d.frames.size(); ++b) d.frames[i + b] = static_cast<uint8_t>(v >> (8 * b));
    }
    d.bin = folder.file(name + ".bin");
    writeFile(d.bin, d.frames);
    std::string sheet = "FILE \"" + name + ".bin\" BINARY\n";
    int pos = 0;
    for (size_t t = 0; t < d.lengths.size(); ++t) {
        char line[64];
        std::snprintf(line, sizeof line, "  TRACK %02zu AUDIO\n", t + 1);
        sheet += line;
        if (t < texts.size()) {
            sheet += "    TITLE \"" + texts[t].first + "\"\n";
            sheet += "    PERFORMER \"" + texts[t].second + "\"\n";
        }
        sheet += "    INDEX 01 " + msf(pos) + "\n";
        pos += d.lengths[t];
    }
    d.cue = folder.file(name + ".cue");
    writeText(d.cue, sheet);
    return d;
}

// The components unpacked into a fresh system folder, as at start-up.
struct ComponentFolder {
    ComponentFolder() {
        ::setenv("NALO_APP_DIR", appDir().c_str(), 1);
        ::setenv("NALO_SYSTEM_DIR", sys.path().c_str(), 1);
        SystemDir.clear();
        CheckComponents();
    }
    TempDir sys;
};

}  // namespace nalo::test
