#pragma once
// Tab order in layout order: the controls of a window from top to bottom and, within a
// row, left to right; a control holding no focus itself (a panel) is entered in place.
class QWidget;

namespace nalo {

void SetLayoutTabOrder(QWidget* window);

}  // namespace nalo
