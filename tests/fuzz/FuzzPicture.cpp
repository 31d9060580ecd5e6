// The picture loader: BMP, JPEG or GIF by content, into a 24-bit picture.
#include "fuzz/FuzzSupport.h"
#include "platform/PictureIo.h"

namespace nalo::fuzz {

void FuzzPicture(Input input) {
    const Dib pic = decodePicture(input, "fuzz.pic");
    requireWithinBudget(pic.width(), pic.height());
    require(pic.bitCount() == 24 && !pic.topDown(), "not a 24-bit bottom-up picture");
    touch(pic.bits(), pic.imageSize());
}

}  // namespace nalo::fuzz
