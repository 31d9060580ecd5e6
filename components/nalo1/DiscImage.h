#pragma once
// A disc image opened for reading: its layout from the parser its extension names
// (.cue, .toc, .nrg), its data files held open, and audio frames read by address.
#include <string>
#include <vector>

#include "components/nalo1/DiscLayout.h"
#include "components/nalo1/ImageFile.h"

namespace nalo::discimage {

// True for the extensions of disc images (.cue, .toc, .nrg, any case).
bool isImageName(const std::string& path);

// The image's layout; raises ImageError when it is malformed or names a data file it
// may not use.
DiscLayout readLayout(const std::string& path);

class DiscImage {
public:
    // Raises ImageError (see readLayout) or when a data file cannot be opened.
    explicit DiscImage(const std::string& path);

    const DiscLayout& layout() const { return layout_; }
    // Frames first .. first + count - 1 as 2352-byte frames; false when one lies
    // outside the disc, in a track of other sector size, or cannot be read in full.
    bool readFrames(int64_t first, int64_t count, uint8_t* out) const;

private:
    DiscLayout layout_;
    std::vector<ImageFile> files_;
};

}  // namespace nalo::discimage
