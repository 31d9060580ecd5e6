// The PNG, WebP and TIFF readers, each on its own, then turned upright as the loader
// does: the picture within the budget, its alpha one byte per pixel, both read whole.
#include "fuzz/FuzzSupport.h"
#include "platform/PictureDecoders.h"
#include "platform/PictureOrientation.h"

namespace nalo::fuzz {

namespace {
void check(DecodedPicture decoded) {
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
}
}  // namespace

void FuzzPng(Input input) { check(decodePng(input, "fuzz.png")); }
void FuzzWebp(Input input) { check(decodeWebp(input, "fuzz.webp")); }
void FuzzTiff(Input input) { check(decodeTiff(input, "fuzz.tif")); }

}  // namespace nalo::fuzz
