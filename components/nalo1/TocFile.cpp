#include "components/nalo1/TocFile.h"

#include <algorithm>

#include "components/nalo1/DataFileCheck.h"
#include "components/nalo1/ImageText.h"

namespace nalo::discimage {

namespace {

constexpr int64_t SamplesPerFrame = 588, BytesPerSample = 4;

struct Item {
    int file = -1;  // -1: silence
    uint64_t offset = 0;
    int64_t frames = 0;
    uint32_t sectorSize = RawSectorSize;
};

struct TocTrack {
    bool audio = true;
    uint32_t sectorSize = RawSectorSize;
    std::vector<Item> items;
    int64_t frames = 0;
    int64_t start = -1;  // index 1, frames from the track's first
    std::string title, performer;
};

uint32_t sectorSizeOf(const std::string& mode) {
    static const std::pair<const char*, uint32_t> modes[] = {
        {"AUDIO", 2352},       {"MODE1", 2048},       {"MODE1_RAW", 2352},      {"MODE2", 2336},
        {"MODE2_RAW", 2352},   {"MODE2_FORM1", 2048}, {"MODE2_FORM2", 2324},    {"MODE2_FORM_MIX", 2336}};
    for (const auto& [name, size] : modes)
        if (mode == name) return size;
    return 0;
}

bool isTime(const Token& t) { return !t.quoted && t.text.find(':') != std::string::npos; }
bool isNumber(const Token& t) {
    return !t.quoted && !t.text.empty() && std::all_of(t.text.begin(), t.text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

class TocParser {
public:
    explicit TocParser(const std::string& path) : folder_(imageFolder(path)), tokens_(tokenize(readImageText(path), true)) {
        while (at_ < tokens_.size()) statement();
    }

    DiscLayout layout() {
        if (tracks_.empty()) malformed("no tracks");
        for (TocTrack& t : tracks_) {
            const int64_t first = layout_.leadout;
            for (const Item& i : t.items) layout_.append(i.file, i.offset, i.frames, i.sectorSize);
            const int64_t start = t.start < 0 ? 0 : t.start;
            if (start >= t.frames) malformed("track %zu has no frames after its start", layout_.tracks.size() + 1);
            layout_.tracks.push_back({first + start, t.audio, t.title, t.performer});
        }
        layout_.validate();
        return std::move(layout_);
    }

private:
    const Token& next(const char* what) {
        if (at_ >= tokens_.size()) malformed("the file ends where %s should follow", what);
        return tokens_[at_++];
    }
    bool peek(bool (*test)(const Token&)) const { return at_ < tokens_.size() && test(tokens_[at_]); }
    bool peekWord(const char* word) const { return at_ < tokens_.size() && !tokens_[at_].quoted && tokens_[at_].text == word; }

    // A length: "mm:ss:ff" or a sample count of whole frames.
    int64_t length(int line) {
        const Token& t = next("a length");
        if (isTime(t)) return parseMsf(t.text);
        const int64_t samples = parseNumber(t.text);
        if (samples % SamplesPerFrame) malformedAt(line, "a length of %.20s samples is not whole frames", t.text.c_str());
        return samples / SamplesPerFrame;
    }

    TocTrack& track(int line, const std::string& what) {
        if (tracks_.empty()) malformedAt(line, "%s before the first TRACK", what.c_str());
        return tracks_.back();
    }

    void add(TocTrack& t, const Item& item) {
        if (item.frames > MaxFrames || t.frames + item.frames > MaxFrames) malformed("more than 100 minutes of frames");
        t.items.push_back(item);
        t.frames += item.frames;
    }

    int dataFile(const std::string& name) {
        for (size_t i = 0; i < names_.size(); ++i)
            if (names_[i] == name) return int(i);
        if (names_.size() >= 99) malformed("more than 99 data files");
        layout_.files.push_back(resolveDataFile(folder_, name));
        names_.push_back(name);
        return int(names_.size()) - 1;
    }

    void statement() {
        const Token& t = next("a statement");
        const int line = t.line;
        if (t.quoted) malformedAt(line, "a string where a statement should stand");
        const std::string& w = t.text;
        if (w == "CD_DA" || w == "CD_ROM" || w == "CD_ROM_XA" || w == "CD_I" || w == "COPY" || w == "PRE_EMPHASIS" ||
            w == "TWO_CHANNEL_AUDIO" || w == "FOUR_CHANNEL_AUDIO") {
        } else if (w == "NO") {
            const Token& what = next("COPY or PRE_EMPHASIS");
            if (what.text != "COPY" && what.text != "PRE_EMPHASIS") malformedAt(line, "NO %.20s", what.text.c_str());
        } else if (w == "CATALOG" || w == "ISRC") {
            if (!next("a string").quoted) malformedAt(line, "%s without a string", w.c_str());
        } else if (w == "CD_TEXT") {
            cdText(line);
        } else if (w == "TRACK") {
            if (tracks_.size() >= 99) malformedAt(line, "more than 99 tracks");
            const Token& mode = next("a track mode");
            TocTrack n;
            n.sectorSize = sectorSizeOf(mode.text);
            if (!n.sectorSize) malformedAt(line, "unknown track mode %.20s", mode.text.c_str());
            n.audio = mode.text == "AUDIO";
            if (peekWord("RW") || peekWord("RW_RAW")) malformedAt(line, "sub-channel data is not supported");
            tracks_.push_back(std::move(n));
        } else if (w == "SILENCE" || w == "ZERO") {
            TocTrack& tr = track(line, w);
            if (w == "ZERO" && !peek(isTime) && !peek(isNumber)) ++at_;  // its data mode
            add(tr, {-1, 0, length(line), tr.sectorSize});
        } else if (w == "FILE" || w == "AUDIOFILE") {
            TocTrack& tr = track(line, w);
            const Token& name = next("a file name");
            if (!name.quoted) malformedAt(line, "%s without a file name", w.c_str());
            const int file = dataFile(name.text);
            const uint64_t size = layout_.files[size_t(file)].size;
            const Token& start = next("a start");
            uint64_t offset = 0;
            if (!start.quoted && start.text.size() > 1 && start.text[0] == '#') offset = uint64_t(parseNumber(start.text.substr(1)));
            else if (isTime(start)) offset = uint64_t(parseMsf(start.text)) * RawSectorSize;
            else offset = uint64_t(parseNumber(start.text)) * BytesPerSample;
            if (offset > size) malformedAt(line, "a start beyond the end of %.200s", name.text.c_str());
            const int64_t frames = peek(isTime) || peek(isNumber) ? length(line) : int64_t((size - offset) / RawSectorSize);
            if (frames <= 0 || uint64_t(frames) > (size - offset) / RawSectorSize)
                malformedAt(line, "the audio runs past the end of %.200s", name.text.c_str());
            add(tr, {file, offset, frames, RawSectorSize});
        } else if (w == "DATAFILE") {
            TocTrack& tr = track(line, w);
            const Token& name = next("a file name");
            if (!name.quoted) malformedAt(line, "DATAFILE without a file name");
            const int file = dataFile(name.text);
            const uint64_t size = layout_.files[size_t(file)].size;
            uint64_t offset = 0;
            if (at_ < tokens_.size() && tokens_[at_].text.size() > 1 && tokens_[at_].text[0] == '#' && !tokens_[at_].quoted)
                offset = uint64_t(parseNumber(next("an offset").text.substr(1)));
            if (offset > size) malformedAt(line, "an offset beyond the end of %.200s", name.text.c_str());
            int64_t frames = int64_t((size - offset) / tr.sectorSize);
            if (peek(isTime)) frames = parseMsf(next("a length").text);
            if (frames <= 0 || uint64_t(frames) > (size - offset) / tr.sectorSize)
                malformedAt(line, "the data runs past the end of %.200s", name.text.c_str());
            add(tr, {file, offset, frames, tr.sectorSize});
        } else if (w == "PREGAP") {
            TocTrack& tr = track(line, w);
            if (!tr.items.empty() || tr.start >= 0) malformedAt(line, "PREGAP after the track's data");
            add(tr, {-1, 0, parseMsf(next("a length").text), tr.sectorSize});
            tr.start = tr.frames;
        } else if (w == "START") {
            TocTrack& tr = track(line, w);
            if (tr.start >= 0) malformedAt(line, "a second START or PREGAP in one track");
            tr.start = peek(isTime) ? parseMsf(next("a time").text) : tr.frames;
        } else if (w == "INDEX") {
            track(line, w);
            parseMsf(next("a time").text);
        } else {
            malformedAt(line, "unknown statement %.20s", w.c_str());
        }
    }

    // CD_TEXT { LANGUAGE_MAP { ... } LANGUAGE n { TITLE "..." PERFORMER "..." ... } }:
    // the title and performer of language 0, of the disc or of the current track.
    void cdText(int line) {
        if (next("{").text != "{") malformedAt(line, "CD_TEXT without a block");
        std::string& title = tracks_.empty() ? layout_.title : tracks_.back().title;
        std::string& performer = tracks_.empty() ? layout_.performer : tracks_.back().performer;
        int depth = 1, languageDepth = -1;
        bool languageZero = false;
        while (depth > 0) {
            const Token& t = next("the end of a CD_TEXT block");
            if (t.quoted) continue;
            if (t.text == "{") {
                ++depth;
            } else if (t.text == "}") {
                if (depth == languageDepth) languageDepth = -1;
                --depth;
            } else if (t.text == "LANGUAGE" && depth == 1) {
                languageZero = parseNumber(next("a language number").text) == 0;
                if (next("{").text != "{") malformedAt(t.line, "LANGUAGE without a block");
                languageDepth = ++depth;
            } else if (languageZero && depth == languageDepth && (t.text == "TITLE" || t.text == "PERFORMER") &&
                       at_ < tokens_.size() && tokens_[at_].quoted) {
                (t.text == "TITLE" ? title : performer) = next("a string").text;
            }
        }
    }

    std::string folder_;
    std::vector<Token> tokens_;
    size_t at_ = 0;
    DiscLayout layout_;
    std::vector<TocTrack> tracks_;
    std::vector<std::string> names_;  // data file names as written, by index
};

}  // namespace

DiscLayout parseTocFile(const std::string& path) { return TocParser(path).layout(); }

}  // namespace nalo::discimage
