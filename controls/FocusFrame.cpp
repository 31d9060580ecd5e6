#include "controls/FocusFrame.h"

#include <QPainter>

namespace nalo {

void DrawFocusFrame(QPainter& p, const QRectF& r) {
    p.save();
    p.setPen(QPen(QColor(60, 90, 200), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 2, 2);
    p.restore();
}

}  // namespace nalo
