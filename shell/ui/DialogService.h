#pragma once
// Every message box, file, folder and colour dialog of the windows goes through this
// interface, so tests run the windows headless and answer dialogs from a script.
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "platform/AviFile.h"
#include "shell/Colour.h"

class QWidget;

namespace nalo {

enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgResult { Ok = 1, Cancel = 2, Retry = 4, Yes = 6, No = 7 };

struct FileDialogRequest {
    QString title;
    QString folder;         // start folder
    QString fileName;       // initial name ("*.gif")
    QString filter;         // Qt filter text, e.g. "GIFﾌｧｲﾙ (*.gif)"
    QString defaultSuffix;  // appended when the name has none ("gif")
    bool confirmOverwrite = true;
};

// The "save as" request of the tools: title "ﾌｧｲﾙ名を付けて保存", initial name
// "*.<ext>", filter "<kind> (*.<ext>)" (kind e.g. "GIFﾌｧｲﾙ"), default suffix ext.
FileDialogRequest saveAsRequest(const QString& folder, const QString& kind, const QString& ext);

class DialogService {
public:
    virtual ~DialogService() = default;
    virtual MsgResult message(QWidget* owner, const QString& text, MsgIcon icon = MsgIcon::Information,
                              MsgButtons buttons = MsgButtons::Ok, const QString& caption = QStringLiteral("Nalo")) = 0;
    // "" when cancelled.
    virtual QString openFile(QWidget* owner, const FileDialogRequest& request) = 0;
    virtual QString saveFile(QWidget* owner, const FileDialogRequest& request) = 0;
    // The folder dialog titled "フォルダを選択してください" with `start` preselected; "" when cancelled.
    virtual QString browseFolder(QWidget* owner, const QString& start) = 0;
    // The colour dialog preset to `initial`; nothing when cancelled.
    virtual std::optional<ColourValue> chooseColour(QWidget* owner, ColourValue initial,
                                                    const std::vector<ColourValue>& customColours,
                                                    bool fullOpen) = 0;
    // The compressor dialog of AVI writing: the compressors, the options it offers
    // (ICMF_CHOOSE_* flags) and the options shown first. Nothing when cancelled.
    virtual std::optional<AVICOMPRESSOPTIONS> chooseCompressor(QWidget* owner,
                                                               const std::vector<AviCompressor>& compressors,
                                                               uint32_t flags, const AVICOMPRESSOPTIONS& initial) = 0;
};

// The real dialogs (Qt widgets).
class QtDialogService final : public DialogService {
public:
    MsgResult message(QWidget* owner, const QString& text, MsgIcon icon, MsgButtons buttons,
                      const QString& caption) override;
    QString openFile(QWidget* owner, const FileDialogRequest& request) override;
    QString saveFile(QWidget* owner, const FileDialogRequest& request) override;
    QString browseFolder(QWidget* owner, const QString& start) override;
    std::optional<ColourValue> chooseColour(QWidget* owner, ColourValue initial,
                                            const std::vector<ColourValue>& customColours, bool fullOpen) override;
    std::optional<AVICOMPRESSOPTIONS> chooseCompressor(QWidget* owner, const std::vector<AviCompressor>& compressors,
                                                       uint32_t flags, const AVICOMPRESSOPTIONS& initial) override;
};

// Answers from a script and records every dialog shown (for tests).
class ScriptedDialogService final : public DialogService {
public:
    enum class Kind { Message, OpenFile, SaveFile, Folder, Colour, Compressor };
    struct Call {
        Kind kind;
        QString text;  // message text, or the dialog title
        MsgIcon icon = MsgIcon::None;
        QString caption;
        FileDialogRequest request;
        QString start;
    };

    std::deque<MsgResult> messageAnswers;  // empty: Ok (or Yes for yes/no boxes)
    std::deque<QString> fileAnswers;       // open and save dialogs; empty: cancelled
    std::deque<QString> folderAnswers;     // empty: cancelled
    std::deque<std::optional<ColourValue>> colourAnswers;
    std::deque<std::optional<AVICOMPRESSOPTIONS>> compressorAnswers;  // empty: cancelled
    std::vector<AviCompressor> compressorsShown;                        // by the last compressor dialog
    std::vector<Call> calls;

    // Texts of the message boxes shown so far.
    QStringList messages() const;

    MsgResult message(QWidget* owner, const QString& text, MsgIcon icon, MsgButtons buttons,
                      const QString& caption) override;
    QString openFile(QWidget* owner, const FileDialogRequest& request) override;
    QString saveFile(QWidget* owner, const FileDialogRequest& request) override;
    QString browseFolder(QWidget* owner, const QString& start) override;
    std::optional<ColourValue> chooseColour(QWidget* owner, ColourValue initial,
                                            const std::vector<ColourValue>& customColours, bool fullOpen) override;
    std::optional<AVICOMPRESSOPTIONS> chooseCompressor(QWidget* owner, const std::vector<AviCompressor>& compressors,
                                                       uint32_t flags, const AVICOMPRESSOPTIONS& initial) override;

private:
    QString takeFile(Kind kind, const FileDialogRequest& request);
};

}  // namespace nalo
