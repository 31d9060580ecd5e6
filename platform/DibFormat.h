#pragma once
#include "platform/Dib.h"

namespace nalo {

// The picture as 24-bit bottom-up rows: `pic` itself when it already is, else a
// converted copy held in `storage`.
inline const Dib& as24BottomUp(const Dib& pic, Dib& storage) {
    if (pic.bitCount() == 24 && !pic.topDown()) return pic;
    storage = convertDib(pic, 24, false);
    return storage;
}

}  // namespace nalo
