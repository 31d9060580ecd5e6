#pragma once
// Every message box and file, folder and colour dialog of the windows goes through
// this interface, so windows run headless in tests with scripted answers.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "shell/AppPath.h"
#include "shell/Colour.h"

namespace nalo {

enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

struct FileFilter {
    std::string description;  // "BMP (*.bmp)"
    std::string patterns;     // "*.bmp *.dib"
};

class DialogService {
public:
    virtual ~DialogService() = default;
    virtual MsgResult MessageBox(const std::string& text, MsgIcon icon = MsgIcon::Information,
                                 MsgButtons buttons = MsgButtons::Ok, const std::string& caption = AppTitle) = 0;
    // "" when cancelled.
    virtual std::string OpenFile(const std::string& title, const std::string& startFolder,
                                 const std::vector<FileFilter>& filters) = 0;
    virtual std::string SaveFile(const std::string& title, const std::string& startName,
                                 const std::vector<FileFilter>& filters) = 0;
    // Title "フォルダを選択してください", `start` preselected; "" when cancelled.
    virtual std::string BrowseFolder(const std::string& start) = 0;
    // The chosen colour, or nothing when cancelled; `custom` holds the custom colours.
    virtual std::optional<ColourValue> ChooseColour(ColourValue initial, std::vector<ColourValue>& custom) = 0;
};

// Answers from a queue and records every call (tests).
class ScriptedDialogService : public DialogService {
public:
    struct Call {
        std::string kind;  // "message", "open", "save", "folder", "colour"
        std::string text;  // message text, title or start folder
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
        std::string caption;
    };
    std::deque<MsgResult> messageAnswers;   // default Ok
    std::deque<std::string> pathAnswers;    // open, save and folder answers; default ""
    std::deque<std::optional<ColourValue>> colourAnswers;
    std::vector<Call> calls;

    MsgResult MessageBox(const std::string& text, MsgIcon icon, MsgButtons buttons,
                         const std::string& caption) override {
        Call c;
        c.kind = "message";
        c.text = text;
        c.icon = icon;
        c.buttons = buttons;
        c.caption = caption;
        calls.push_back(std::move(c));
        return pop(messageAnswers, MsgResult::Ok);
    }
    std::string OpenFile(const std::string& title, const std::string&, const std::vector<FileFilter>&) override {
        record("open", title);
        return pop(pathAnswers, std::string());
    }
    std::string SaveFile(const std::string& title, const std::string&, const std::vector<FileFilter>&) override {
        record("save", title);
        return pop(pathAnswers, std::string());
    }
    std::string BrowseFolder(const std::string& start) override {
        record("folder", start);
        return pop(pathAnswers, std::string());
    }
    std::optional<ColourValue> ChooseColour(ColourValue, std::vector<ColourValue>&) override {
        record("colour", {});
        return pop(colourAnswers, std::optional<ColourValue>());
    }

private:
    void record(const char* kind, const std::string& text) {
        Call c;
        c.kind = kind;
        c.text = text;
        calls.push_back(std::move(c));
    }
    template <class T>
    static T pop(std::deque<T>& q, T fallback) {
        if (q.empty()) return fallback;
        T v = std::move(q.front());
        q.pop_front();
        return v;
    }
};

}  // namespace nalo
