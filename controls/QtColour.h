#pragma once
// Colour values (system colours translated) as Qt colours.
#include <QColor>

#include "shell/Colour.h"

namespace nalo {

inline QColor qColour(ColourValue c) {
    c = translateColour(c);
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

}  // namespace nalo
