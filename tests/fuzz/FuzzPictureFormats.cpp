// The PNG, WebP and TIFF readers, each on its own, then turned upright as the loader
// does: the picture within the budget, its alpha one byte per pixel, both read whole, and
// the size probed from the headers (when it is) the upright picture's.
#include "fuzz/FuzzSupport.h"
#include "platform/PictureDecoders.h"
#include "platform/PictureOrientation.h"
#include "platform/PictureSize.h"

namespace nalo::fuzz {

namespace {
void check(DecodedPicture decoded, Input input) {
    const auto declared = probePictureSize(scratchFile("fuzz.pic", input));
    for (int pass = 0; pass < 2; ++pass) {
        const Dib& pic = decoded.picture;
        requireWithinBudget(pic.width(), pic.height());
        require(pic.bitCount() == 24 && !pic.topDown(), "not a 24-bit bottom-up picture");
        require(decoded.alpha.empty() || decoded.alpha.size() == size_t(pic.width()) * pic.height(),
                "the alpha plane is not one byte per pixel");
        touch(pic.bits(), pic.imageSize());
        touch(decoded.alpha.data(), decoded.alpha.size());
        applyOrientation(decoded);
    }
    require(!declared || (declared->width == decoded.picture.width() && declared->height == decoded.picture.height()),
            "the probed size is not the decoded size");
}
}  // namespace

void FuzzPng(Input input) { check(decodePng(input, "fuzz.png"), input); }
void FuzzWebp(Input input) { check(decodeWebp(input, "fuzz.webp"), input); }
void FuzzTiff(Input input) { check(decodeTiff(input, "fuzz.tif"), input); }

}  // namespace nalo::fuzz
