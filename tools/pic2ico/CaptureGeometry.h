#pragma once
// Geometry of the region capture: the picture centred on the screen, the square taken
// from a dragged rectangle, and its shrink or enlargement to the 32 x 32 icon.
#include <string>

#include "platform/Dib.h"

namespace nalo {

// `FitSide`: 0 = the square's side is the dragged width, 1 = the dragged height.
enum : int { FitToWidth = 0, FitToHeight = 1 };

struct CaptureSquare {
    int left = 0, top = 0, side = 0;
};

// The square of a drag from (sx, sy) to (ex, ey): top-left at the smaller coordinates,
// side the dragged width or height by `fitSide` (all rounded, halves to even).
CaptureSquare captureSquare(float sx, float sy, float ex, float ey, int fitSide);

// "幅優先" or "高さ優先".
std::string priorityWord(int fitSide);

// "幅 (120)  高さ (80) 幅優先" for the drag so far.
std::string dragLabel(float sx, float sy, float ex, float ey, int fitSide);

// Fills `display` with white and copies `picture` into it at its real size, centred
// (offsets (display - picture) \ 2; a larger picture is cut at the edges).
void drawPictureCentred(Dib& display, const Dib& picture);

// A side x side picture of `display` from (left, top); what lies outside stays white.
Dib cutSquare(const Dib& display, const CaptureSquare& square);

// `cut` stretched to 32 x 32 into `icon` (colour on colour: pixels dropped or repeated).
void stretchToIcon(const Dib& cut, Dib& icon);

// Inverts the dotted outline of the rectangle with corners (x0, y0) and (x1, y1); a second
// call with the same corners restores the pixels.
void invertDottedFrame(Dib& display, int x0, int y0, int x1, int y1);

}  // namespace nalo
