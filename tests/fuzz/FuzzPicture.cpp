// The picture loader: BMP, JPEG or GIF by content, into a 24-bit picture; and the
// size its headers declare, read without decoding, which must be the decoded size.
#include "fuzz/FuzzSupport.h"
#include "platform/PictureIo.h"
#include "platform/PictureSize.h"

namespace nalo::fuzz {

void FuzzPicture(Input input) {
    const auto declared = probePictureSize(scratchFile("fuzz.pic", input));
    const Dib pic = decodePicture(input, "fuzz.pic");
    requireWithinBudget(pic.width(), pic.height());
    require(pic.bitCount() == 24 && !pic.topDown(), "not a 24-bit bottom-up picture");
    require(!declared || (declared->width == pic.width() && declared->height == pic.height()),
            "the probed size is not the decoded size");
    touch(pic.bits(), pic.imageSize());
}

}  // namespace nalo::fuzz
