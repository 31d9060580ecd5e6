#pragma once
// The main menu: one button per tool, Help, End, the credit line and the web address.
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <map>

#include "shell/ui/DialogService.h"

namespace nalo {

class Command;
class ToolWindow;

// The web address label, with its own pointer.
class UrlLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent*) override { emit clicked(); }
};

class Nalo_Menu : public QWidget {
    Q_OBJECT
public:
    explicit Nalo_Menu(DialogService& dialogs);
    ~Nalo_Menu() override;

    // Cmd_1(i), or nullptr for an index without a button.
    Command* Cmd_1(int index) const;
    Command* Cmd_Help() const { return help_; }
    QLabel* lbl() const { return credit_; }
    UrlLabel* lbl_URL() const { return url_; }
    // The open tool window of button i, if any.
    ToolWindow* openTool(int index) const;

    // A tool button: create the window if it is not open and show it, else bring it to the front.
    void openToolWindow(int index);
    // A file dropped on the menu: opens the tool for its type and hands it the file;
    // false when no built tool opens it.
    bool openDroppedFile(const QString& file);

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dragMoveEvent(QDragMoveEvent*) override;
    void dropEvent(QDropEvent*) override;

private:
    DialogService& dialogs_;
    std::map<int, Command*> buttons_;
    std::map<int, QPointer<ToolWindow>> tools_;
    Command* help_ = nullptr;
    QLabel* credit_ = nullptr;
    UrlLabel* url_ = nullptr;
    bool opened_ = false;
    QString dragged_;  // the usable file of the drag in progress, "" when none
};

}  // namespace nalo
