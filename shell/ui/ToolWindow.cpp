#include "shell/ui/ToolWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "controls/Command.h"
#include "shell/ui/Decoration.h"
#include "shell/ui/DropPaths.h"
#include "shell/ui/FocusOrder.h"

namespace nalo {

void TiledPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TileBackground(p, width(), height());
}

ToolWindow::ToolWindow(DialogService& dialogs, int slot, const QString& caption, QSize clientSize)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), dialogs_(dialogs), slot_(slot) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    setFixedSize(clientSize);
    PlaceWindow(this);
}

ToolWindow::~ToolWindow() = default;

void ToolWindow::exitWithSave() {
    saveSettings();
    close();
}

void ToolWindow::destroyWithoutSaving() {
    quiet_ = true;
    close();
}

void ToolWindow::SetButtonsState(bool init, bool enable) {
    for (Command* c : findChildren<Command*>()) {
        if (init) c->Initialize();
        else c->setEnabled(enable);
    }
}

QString ToolWindow::dropTarget(const QStringList& paths) const {
    switch (dropKind_) {
        case DropKind::Folder: return DroppedFolder(paths);
        case DropKind::File: return DroppedFile(paths, dropFilter_);
        case DropKind::None: break;
    }
    return {};
}

bool ToolWindow::openDropped(const QStringList& paths) {
    const QString target = dropTarget(paths);
    if (target.isEmpty()) return false;
    dropHandler_(target, paths.front());
    return true;
}

void ToolWindow::acceptFolderDrops(DropHandler open) {
    dropKind_ = DropKind::Folder;
    dropHandler_ = std::move(open);
    setAcceptDrops(true);
}

void ToolWindow::acceptFileDrops(const QString& filter, DropHandler open) {
    dropKind_ = DropKind::File;
    dropFilter_ = filter;
    dropHandler_ = std::move(open);
    setAcceptDrops(true);
}

void ToolWindow::dragEnterEvent(QDragEnterEvent* e) { dragMoveEvent(e); }

void ToolWindow::dragMoveEvent(QDragMoveEvent* e) { AnswerDrag(e, !dropTarget(LocalPaths(e->mimeData())).isEmpty()); }

void ToolWindow::dropEvent(QDropEvent* e) {
    const QStringList paths = LocalPaths(e->mimeData());
    if (dropTarget(paths).isEmpty()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    // Opened once the drag has ended: the handler may show message boxes.
    QTimer::singleShot(0, this, [this, paths] { openDropped(paths); });
}

TiledPanel* ToolWindow::addPanel(const QRect& geometry) {
    auto* panel = new TiledPanel(this);
    panel->setGeometry(geometry);
    return panel;
}

Command* ToolWindow::addCommand(const QString& caption, const QRect& geometry, QWidget* parent,
                               const char* objectName) {
    auto* c = new Command(caption, parent ? parent : this);
    c->setGeometry(geometry);
    if (objectName) c->setObjectName(objectName);
    return c;
}

QLabel* ToolWindow::addLabel(const QString& text, const QRect& geometry, QWidget* parent, bool white) {
    auto* l = new QLabel(text, parent ? parent : this);
    l->setGeometry(geometry);
    if (white) l->setStyleSheet("color: white;");
    return l;
}

void ToolWindow::SetListExtent(QListWidget* list) {
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->horizontalScrollBar()->setRange(0, 300);
}

void ToolWindow::letEventsRun() { QCoreApplication::processEvents(); }

ToolWindow::BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
ToolWindow::BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }

void ToolWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintGradient(p, width(), height());
}

void ToolWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (opened_) return;
    opened_ = true;
    SetLayoutTabOrder(this);
    RecordWindowSlot(slot_);
    AnimateOpen(this, slot_);
}

void ToolWindow::closeEvent(QCloseEvent* e) {
    if (!quiet_) AnimateClose(this, slot_);
    e->accept();
}

}  // namespace nalo
