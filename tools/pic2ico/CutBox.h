#pragma once
// The marching box around the captured square: dashes of 5 pixels in black and white
// whose phase swaps on every call, with the pixels under the box kept for removal.
#include <vector>

#include "platform/Dib.h"

namespace nalo {

class CutBox {
public:
    // Draw (flash and remove false): stores the rectangle, saves the pixels under its
    // outline and draws it. Flash: draws the stored outline again without saving.
    // Remove: puts the saved pixels back. Flash and remove together draw nothing.
    void DrawCutBox(Dib& box, int xx, int yy, int wWidth, int hHeight, bool flash, bool remove);

    ColourValue colour() const { return colour_; }
    bool holdsPixels() const { return !memory_.empty(); }

    // Outline pixels of (x, y, w, h) in visiting order: top and bottom of each column
    // i = 0..w, then left and right of each row j = 0..h-2; 2(w+1) + 2(h-1) pixels.
    static std::vector<std::pair<int, int>> outline(int x, int y, int w, int h);

private:
    void paint(Dib& box, bool save);

    ColourValue colour_ = rgb(0, 0, 0);
    int x_ = 0, y_ = 0, w_ = 0, h_ = 0;
    std::vector<std::pair<int, int>> where_;
    std::vector<ColourValue> memory_;
};

}  // namespace nalo
