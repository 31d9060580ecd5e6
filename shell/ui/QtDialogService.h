#pragma once
// The dialog service of the running program, on Qt's dialogs.
#include "shell/ui/DialogService.h"

class QWidget;

namespace nalo {

class QtDialogService : public DialogService {
public:
    explicit QtDialogService(QWidget* owner = nullptr) : owner_(owner) {}
    MsgResult MessageBox(const std::string& text, MsgIcon icon, MsgButtons buttons,
                         const std::string& caption) override;
    std::string OpenFile(const std::string& title, const std::string& startFolder,
                         const std::vector<FileFilter>& filters) override;
    std::string SaveFile(const std::string& title, const std::string& startName,
                         const std::vector<FileFilter>& filters) override;
    std::string BrowseFolder(const std::string& start) override;
    std::optional<ColourValue> ChooseColour(ColourValue initial, std::vector<ColourValue>& custom) override;

private:
    QWidget* owner_;
};

// The service windows use unless one is given (the Qt one).
DialogService& DefaultDialogs();

}  // namespace nalo
