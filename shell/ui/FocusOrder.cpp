#include "shell/ui/FocusOrder.h"

#include <QWidget>
#include <algorithm>
#include <vector>

namespace nalo {

namespace {

void collect(QWidget* parent, std::vector<QWidget*>& order) {
    std::vector<QWidget*> children;
    for (QWidget* w : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isWindow()) children.push_back(w);
    std::stable_sort(children.begin(), children.end(), [](QWidget* a, QWidget* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    for (QWidget* w : children) {
        if (w->focusPolicy() & Qt::TabFocus) order.push_back(w);  // its own parts stay its own
        else collect(w, order);
    }
}

}  // namespace

void SetLayoutTabOrder(QWidget* window) {
    std::vector<QWidget*> order;
    collect(window, order);
    for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace nalo
