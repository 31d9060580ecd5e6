#pragma once
// The bitmap module of the PCX and TGA readers: holds the picture the last reader
// built (`CurrentBitmap`) and draws it into a picture. One object is one reader
// context; the readers of that context share it by reference.
#include <optional>

#include "platform/Dib.h"

namespace nalo {

// Twips per screen pixel (96 dots per inch), used for the readers' sizes in twips.
inline constexpr int TwipsPerPixelX = 15;
inline constexpr int TwipsPerPixelY = 15;

class Nalo_B1 {
public:
    // The picture of the last successful load, or null before the first one.
    const Dib* CurrentBitmap() const { return current_ ? &*current_ : nullptr; }

    // Makes a picture built by a reader the current bitmap, replacing the previous one.
    // Paletted pictures carry their colour table; rows keep the picture's own order.
    void MakeBitmap(Dib&& picture) { current_ = std::move(picture); }

    // Forgets the current bitmap.
    void Clear() { current_.reset(); }

    // Draws the current bitmap (source rectangle 0, 0, width, height) into `target`,
    // a plain colour-on-colour stretch onto the whole target. With `autoscale` the
    // target first becomes a picture of width x height (24 bits unless it already
    // has another bit count), so the copy is 1:1. Without a current bitmap the
    // target is only cleared (white).
    void DrawBitmap(int width, int height, Dib& target, bool autoscale) const;

private:
    std::optional<Dib> current_;
};

// ScaleMode as the readers store it: positive values become 1, others stay as given.
inline int16_t storedScaleMode(int16_t v) { return v > 0 ? int16_t(1) : v; }

// A reader's size in the unit of its ScaleMode (0 pixels, 1 twips, negative 0).
inline int32_t scaledSize(int16_t scaleMode, int32_t pixels, int32_t twips) {
    return scaleMode < 0 ? 0 : scaleMode == 0 ? pixels : twips;
}

}  // namespace nalo
