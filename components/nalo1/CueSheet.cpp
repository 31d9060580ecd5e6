#include "components/nalo1/CueSheet.h"

#include <algorithm>
#include <cctype>

#include "components/nalo1/DataFileCheck.h"
#include "components/nalo1/ImageText.h"

namespace nalo::discimage {

namespace {

struct CueTrack {
    int number = 0;
    int file = 0;
    uint32_t sectorSize = RawSectorSize;
    bool audio = true;
    int64_t pregap = 0;        // generated silence before index 1
    int lastIndex = -1;
    int64_t index1 = -1;       // frame of index 1 in its file
    std::string title, performer;
};

// Sector size of a track mode, 0 for an unknown one.
uint32_t sectorSizeOf(const std::string& mode) {
    if (mode == "AUDIO" || mode == "MODE1/2352" || mode == "MODE2/2352" || mode == "CDI/2352") return 2352;
    if (mode == "MODE1/2048") return 2048;
    if (mode == "MODE2/2336" || mode == "CDI/2336") return 2336;
    return 0;
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

bool ignored(const std::string& command) {
    static const char* const names[] = {"REM",      "CATALOG", "CDTEXTFILE", "FLAGS", "ISRC",   "SONGWRITER",
                                        "ARRANGER", "COMPOSER", "MESSAGE",   "GENRE", "DISC_ID", "UPC_EAN",
                                        "POSTGAP"};
    return std::find(std::begin(names), std::end(names), command) != std::end(names);
}

class CueParser {
public:
    explicit CueParser(const std::string& path) : folder_(imageFolder(path)) {
        const std::vector<Token> tokens = tokenize(readImageText(path), false);
        for (size_t i = 0; i < tokens.size();) {
            size_t end = i;
            while (end < tokens.size() && tokens[end].line == tokens[i].line) ++end;
            statement(std::vector<Token>(tokens.begin() + long(i), tokens.begin() + long(end)));
            i = end;
        }
        finishTrack();
    }

    DiscLayout layout() {
        if (tracks_.empty()) malformed("no tracks");
        for (size_t f = 0; f < layout_.files.size(); ++f) {
            const uint64_t size = layout_.files[f].size;
            int64_t position = 0, frames = -1;
            uint32_t sectorSize = 0;
            for (CueTrack& t : tracks_) {
                if (t.file != int(f)) continue;
                if (sectorSize && t.sectorSize != sectorSize)
                    malformed("tracks of different sector sizes in one data file");
                sectorSize = t.sectorSize;
                frames = static_cast<int64_t>(size / sectorSize);
                if (t.index1 >= frames)
                    malformed("track %d lies beyond the end of its data file", t.number);
                layout_.append(int(f), uint64_t(position) * sectorSize, t.index1 - position, sectorSize);
                layout_.append(-1, 0, t.pregap);
                layout_.tracks.push_back({layout_.leadout, t.audio, t.title, t.performer});
                position = t.index1;
            }
            if (frames < 0) malformed("a data file without tracks");
            if (lastTime_[f] >= frames) malformed("an index lies beyond the end of its data file");
            layout_.append(int(f), uint64_t(position) * sectorSize, frames - position, sectorSize);
        }
        layout_.firstTrack = tracks_.front().number;
        layout_.validate();
        return std::move(layout_);
    }

private:
    void statement(const std::vector<Token>& s) {
        const int line = s[0].line;
        const std::string command = upper(s[0].text);
        auto need = [&](size_t args) {
            if (s.size() < args + 1) malformedAt(line, "%s lacks an argument", command.c_str());
        };
        if (s[0].quoted) malformedAt(line, "a line that starts with a string");
        if (ignored(command)) return;
        if (command == "FILE") {
            need(2);
            if (upper(s[2].text) != "BINARY") malformedAt(line, "data files of type %.20s are not supported", s[2].text.c_str());
            if (layout_.files.size() >= 99) malformedAt(line, "more than 99 data files");
            finishTrack();
            layout_.files.push_back(resolveDataFile(folder_, s[1].text));
            lastTime_.push_back(0);
        } else if (command == "TRACK") {
            need(2);
            if (layout_.files.empty()) malformedAt(line, "TRACK before any FILE");
            finishTrack();
            CueTrack t;
            t.number = int(parseNumber(s[1].text));
            if (t.number < 1 || t.number > 99) malformedAt(line, "track number outside 1-99");
            if (!tracks_.empty() && t.number != tracks_.back().number + 1)
                malformedAt(line, "track %d does not follow track %d", t.number, tracks_.back().number);
            t.sectorSize = sectorSizeOf(upper(s[2].text));
            if (!t.sectorSize) malformedAt(line, "unknown track mode %.20s", s[2].text.c_str());
            t.audio = upper(s[2].text) == "AUDIO";
            t.file = int(layout_.files.size()) - 1;
            tracks_.push_back(std::move(t));
            open_ = true;
        } else if (command == "INDEX") {
            need(2);
            CueTrack& t = current(line, command);
            if (t.file != int(layout_.files.size()) - 1) malformedAt(line, "an index in another data file than its track");
            const int number = int(parseNumber(s[1].text));
            if (number > 99 || (t.lastIndex < 0 ? number > 1 : number != t.lastIndex + 1))
                malformedAt(line, "index numbers must rise from 00 or 01 by one");
            const int64_t time = parseMsf(s[2].text);
            if (time < lastTime_.back()) malformedAt(line, "an index before the one above it");
            lastTime_.back() = time;
            t.lastIndex = number;
            if (number == 1) t.index1 = time;
        } else if (command == "PREGAP") {
            need(1);
            CueTrack& t = current(line, command);
            if (t.lastIndex >= 0 || t.pregap) malformedAt(line, "PREGAP after an index of its track");
            t.pregap = parseMsf(s[1].text);
        } else if (command == "TITLE" || command == "PERFORMER") {
            need(1);
            std::string& field = open_ ? (command == "TITLE" ? tracks_.back().title : tracks_.back().performer)
                                       : (command == "TITLE" ? layout_.title : layout_.performer);
            field = s[1].text;
        } else {
            malformedAt(line, "unknown command %.20s", s[0].text.c_str());
        }
    }

    CueTrack& current(int line, const std::string& command) {
        if (!open_) malformedAt(line, "%s outside a track", command.c_str());
        return tracks_.back();
    }

    void finishTrack() {
        if (open_ && tracks_.back().index1 < 0) malformed("track %d has no INDEX 01", tracks_.back().number);
        open_ = false;
    }

    std::string folder_;
    DiscLayout layout_;
    std::vector<CueTrack> tracks_;
    std::vector<int64_t> lastTime_;  // per data file, the last index time
    bool open_ = false;              // a TRACK line started the current track
};

}  // namespace

DiscLayout parseCueSheet(const std::string& path) { return CueParser(path).layout(); }

}  // namespace nalo::discimage
