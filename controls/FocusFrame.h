#pragma once
// The dotted frame a focused button or option image shows.
#include <QRectF>

class QPainter;

namespace nalo {

void DrawFocusFrame(QPainter& p, const QRectF& r);

}  // namespace nalo
