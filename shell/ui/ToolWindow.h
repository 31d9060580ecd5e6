#pragma once
// Base of every tool window: a fixed-size window whose client area is the shaded
// background Pic_C, panels tiled with the menu's texture, the standard placement,
// the open/close animation of its slot, and the two ways to leave: "Exit" saves the
// settings, the close box does not.
#include <QLabel>
#include <QWidget>
#include <functional>

#include "shell/ui/DialogService.h"

class QListWidget;

namespace nalo {

class Command;

// A picture box whose face is the tiled brushed-metal texture (TileBackground).
class TiledPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override;
};

class ToolWindow : public QWidget {
    Q_OBJECT
public:
    // `clientSize` is the size of Pic_C, the background that fills the window.
    ToolWindow(DialogService& dialogs, int slot, const QString& caption, QSize clientSize);
    ~ToolWindow() override;

    DialogService& dialogs() const { return dialogs_; }
    int slot() const { return slot_; }

    // "Exit": save the settings, then close.
    void exitWithSave();
    // The menu ending the program: close without saving and without the animation.
    void destroyWithoutSaving();

    // Every flat button of the window: Initialize when `init`, else set Enabled.
    void SetButtonsState(bool init, bool enable);

    // What the window would open from dropped `paths` by its drop rule; "" when it
    // cannot use them.
    QString dropTarget(const QStringList& paths) const;
    // Opens `paths` as a drop on the window does; false when the window cannot use them.
    bool openDropped(const QStringList& paths);

protected:
    // The tool's own settings (its section of Nalo.ini).
    virtual void saveSettings() {}

    // Drop rules, each the answer of the window's own dialog. `open` gets the target
    // and the first dropped path.
    using DropHandler = std::function<void(const QString& target, const QString& dropped)>;
    // A dropped folder, or the folder of a dropped file.
    void acceptFolderDrops(DropHandler open);
    // One dropped file matching the wildcards of `filter`.
    void acceptFileDrops(const QString& filter, DropHandler open);

    // Helpers for building the window (positions in pixels on Pic_C).
    TiledPanel* addPanel(const QRect& geometry);
    Command* addCommand(const QString& caption, const QRect& geometry, QWidget* parent = nullptr,
                        const char* objectName = nullptr);
    QLabel* addLabel(const QString& text, const QRect& geometry, QWidget* parent = nullptr, bool white = false);
    // Gives a list box a horizontal extent of its width + 300 pixels.
    static void SetListExtent(QListWidget* list);

    // Lets pending window events run (between the items of a long run).
    static void letEventsRun();
    // Hourglass pointer for the lifetime of the object.
    struct BusyCursor {
        BusyCursor();
        ~BusyCursor();
        BusyCursor(const BusyCursor&) = delete;
        BusyCursor& operator=(const BusyCursor&) = delete;
    };

    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dragMoveEvent(QDragMoveEvent*) override;
    void dropEvent(QDropEvent*) override;

private:
    enum class DropKind { None, Folder, File };
    DropKind dropKind_ = DropKind::None;
    QString dropFilter_;
    DropHandler dropHandler_;
    DialogService& dialogs_;
    int slot_;
    bool opened_ = false;
    bool quiet_ = false;
};

}  // namespace nalo
