#pragma once
// Bridge from the drawing layer to Qt for display.
#include <QImage>

#include "platform/Dib.h"

namespace nalo {

// A QImage showing the Dib (deep copy). 24- and 32-bit Dibs copy rows directly.
QImage toQImage(const Dib& dib);

// A 24-bit bottom-up Dib of a QImage's pixels.
Dib fromQImage(const QImage& image);

}  // namespace nalo
