#pragma once
// The layout and behaviour the folder converters share (TGA/PCX and BMP-to-JPG): a
// folder choice, the source list (multi-selection) and the output-type list, select
// all / none, convert, Exit, the overwrite/skip pair and a 100 x 100 preview.
#include <QString>
#include <string>

#include "platform/Dib.h"
#include "shell/ui/ToolWindow.h"

class QLabel;
class QListWidget;

namespace nalo {

class Command;
class OptionImage;
class OverwriteChoice;
class TiledPanel;

class FolderConverterWindow : public ToolWindow {
    Q_OBJECT
public:
    struct Names {
        const char* sourceList;  // "List_get", "List_BMP"
        const char* outputList;  // "List_put", "List_JPG"
        QString folderButton;    // caption of Cmd_Folder
    };
    FolderConverterWindow(DialogService& dialogs, int slot, const QString& caption, const Names& names);

    void chooseFolder();
    // The folder dialog's answer (or a dropped folder): the lists show `chosen`.
    void openFolder(const QString& chosen);
    void selectAll(bool on);
    void setOverwriteMode(int mode);
    void previewItem(QListWidget* list);
    QListWidget* sourceList() const { return List_get_; }
    QListWidget* outputList() const { return List_put_; }

protected:
    // The folder the lists show (program-wide or the tool's own).
    virtual std::string& folder() = 0;
    virtual std::string sourcePattern() const = 0;
    virtual std::string outputPattern() const = 0;
    // Decodes a file of the source list (or the output list) for the preview; false
    // when its reader does not recognise it.
    virtual bool loadForPreview(const std::string& path, bool fromSourceList, Dib& picture) = 0;
    // A file dropped on the window (or handed over by the menu), before its folder opens.
    virtual void sourceDropped(const QString& /*file*/) {}

    // Fills both lists from folder(); enables the three buttons when sources exist.
    void fillLists();
    // Empties both lists and the preview, disables the three buttons.
    void clearLists();
    void clearPreview();
    void setConversionButtons(bool enabled);
    // The selected source files as full paths, in list order.
    std::vector<std::string> selectedSources();
    // Adds an output file name to the output list.
    void addOutput(const std::string& path);

    TiledPanel* panel() const { return Pic_1_; }
    QLabel* lbl_Get() const { return lbl_Get_; }
    QLabel* lbl_Put() const { return lbl_Put_; }

private:
    TiledPanel* Pic_1_ = nullptr;
    QLabel* Folder_Path_ = nullptr;
    QLabel* lbl_Get_ = nullptr;
    QLabel* lbl_Put_ = nullptr;
    QListWidget* List_get_ = nullptr;
    QListWidget* List_put_ = nullptr;
    Command* Cmd_AllSel_ = nullptr;
    Command* Cmd_AllReset_ = nullptr;
    Command* Cmd_Henkan_ = nullptr;
    OverwriteChoice* Img_Dup_ = nullptr;
    QLabel* Pic_K_ = nullptr;
    QLabel* lbl_PreSize_ = nullptr;

protected:
    Command* Cmd_Henkan() const { return Cmd_Henkan_; }
};

}  // namespace nalo
