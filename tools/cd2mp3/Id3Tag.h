#pragma once
// The ID3v2 tag put in front of each MP3 the tool writes (rendered by TagLib).
#include <cstdint>
#include <string>
#include <vector>

namespace nalo::cd2mp3 {

struct TrackTags {
    int track = 0;           // 1-based
    int total = 0;           // tracks on the disc
    std::string title;       // UTF-8; "" gives "Track NN"
    std::string performer;   // "" leaves it out
    std::string album;       // the disc's title; "" leaves it out
};

// The tag's bytes: TRCK "n/total", TIT2, and TPE1 / TALB when given.
std::vector<uint8_t> Id3v2Tag(const TrackTags& tags);

}  // namespace nalo::cd2mp3
