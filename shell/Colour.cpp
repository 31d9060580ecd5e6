#include "shell/Colour.h"

namespace nalo {

ColourValue translateColour(ColourValue c) {
    if (!isSystemColour(c)) return c;
    switch (c & 0xFF) {
    case 5: return rgb(255, 255, 255);   // window background
    case 8: return rgb(0, 0, 0);         // window text
    case 15: return rgb(240, 240, 240);  // button face
    case 18: return rgb(0, 0, 0);        // button text
    case 16: return rgb(160, 160, 160);  // button shadow
    case 20: return rgb(255, 255, 255);  // highlight
    case 12: return rgb(171, 171, 171);  // application workspace
    case 13: return rgb(0, 120, 215);    // selection
    default: return rgb(192, 192, 192);
    }
}

}  // namespace nalo
