#include "tools/cd2mp3/Id3Tag.h"

#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

#include "tools/cd2mp3/TrackNames.h"

namespace nalo::cd2mp3 {

std::vector<uint8_t> Id3v2Tag(const TrackTags& tags) {
    using TagLib::String;
    TagLib::ID3v2::Tag tag;
    auto* number = new TagLib::ID3v2::TextIdentificationFrame("TRCK", String::Latin1);
    number->setText(std::to_string(tags.track) + "/" + std::to_string(tags.total));
    tag.addFrame(number);  // the tag owns its frames
    tag.setTitle(String(tags.title.empty() ? TrackName(tags.track) : tags.title, String::UTF8));
    if (!tags.performer.empty()) tag.setArtist(String(tags.performer, String::UTF8));
    if (!tags.album.empty()) tag.setAlbum(String(tags.album, String::UTF8));
    const TagLib::ByteVector bytes = tag.render();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace nalo::cd2mp3
