#include "shell/ui/DialogService.h"

#include "platform/ui/AviCompressorDialog.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QRegularExpression>
#include <QMessageBox>

namespace nalo {

namespace {

QColor toQColor(ColourValue c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }

}  // namespace

MsgResult QtDialogService::message(QWidget* owner, const QString& text, MsgIcon icon, MsgButtons buttons,
                                   const QString& caption) {
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MsgButtons::RetryCancel: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Retry: return MsgResult::Retry;
    default: return MsgResult::Ok;
    }
}

FileDialogRequest saveAsRequest(const QString& folder, const QString& kind, const QString& ext) {
    FileDialogRequest request;
    request.title = QStringLiteral("ﾌｧｲﾙ名を付けて保存");
    request.folder = folder;
    request.fileName = QStringLiteral("*.") + ext;
    request.filter = kind + QStringLiteral(" (*.") + ext + QStringLiteral(")");
    request.defaultSuffix = ext;
    return request;
}

QString QtDialogService::openFile(QWidget* owner, const FileDialogRequest& r) {
    return QFileDialog::getOpenFileName(owner, r.title, r.folder, r.filter);
}

QString QtDialogService::saveFile(QWidget* owner, const FileDialogRequest& r) {
    QFileDialog dialog(owner, r.title, r.folder, r.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(r.defaultSuffix);
    // A name without extension takes the one of the filter chosen ("... (*.mp4)").
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral(R"(\(\*\.(\w+)\)$)")).match(filter);
        if (m.hasMatch()) dialog.setDefaultSuffix(m.captured(1));
    });
    if (!r.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!r.fileName.isEmpty() && !r.fileName.contains('*')) dialog.selectFile(r.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString QtDialogService::browseFolder(QWidget* owner, const QString& start) {
    return QFileDialog::getExistingDirectory(owner, QStringLiteral("フォルダを選択してください"), start,
                                             QFileDialog::ShowDirsOnly);
}

std::optional<ColourValue> QtDialogService::chooseColour(QWidget* owner, ColourValue initial,
                                                         const std::vector<ColourValue>& custom, bool) {
    for (int i = 0; i < static_cast<int>(custom.size()) && i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, toQColor(custom[static_cast<size_t>(i)]));
    QColor c = QColorDialog::getColor(toQColor(translateColour(initial)), owner);
    if (!c.isValid()) return std::nullopt;
    return rgb(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}

QStringList ScriptedDialogService::messages() const {
    QStringList out;
    for (const auto& c : calls)
        if (c.kind == Kind::Message) out << c.text;
    return out;
}

MsgResult ScriptedDialogService::message(QWidget*, const QString& text, MsgIcon icon, MsgButtons buttons,
                                         const QString& caption) {
    calls.push_back({Kind::Message, text, icon, caption, {}, {}});
    if (!messageAnswers.empty()) {
        MsgResult r = messageAnswers.front();
        messageAnswers.pop_front();
        return r;
    }
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::Yes : MsgResult::Ok;
}

QString ScriptedDialogService::takeFile(Kind kind, const FileDialogRequest& r) {
    calls.push_back({kind, r.title, MsgIcon::None, {}, r, {}});
    if (fileAnswers.empty()) return {};
    QString a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

QString ScriptedDialogService::openFile(QWidget*, const FileDialogRequest& r) { return takeFile(Kind::OpenFile, r); }

QString ScriptedDialogService::saveFile(QWidget*, const FileDialogRequest& r) { return takeFile(Kind::SaveFile, r); }

QString ScriptedDialogService::browseFolder(QWidget*, const QString& start) {
    calls.push_back({Kind::Folder, QStringLiteral("フォルダを選択してください"), MsgIcon::None, {}, {}, start});
    if (folderAnswers.empty()) return {};
    QString a = folderAnswers.front();
    folderAnswers.pop_front();
    return a;
}

std::optional<ColourValue> ScriptedDialogService::chooseColour(QWidget*, ColourValue, const std::vector<ColourValue>&,
                                                               bool) {
    calls.push_back({Kind::Colour, {}, MsgIcon::None, {}, {}, {}});
    if (colourAnswers.empty()) return std::nullopt;
    auto a = colourAnswers.front();
    colourAnswers.pop_front();
    return a;
}

std::optional<AVICOMPRESSOPTIONS> ScriptedDialogService::chooseCompressor(QWidget*,
                                                                         const std::vector<AviCompressor>& compressors,
                                                                         uint32_t, const AVICOMPRESSOPTIONS&) {
    QStringList names;
    for (const AviCompressor& c : compressors) names << QString::fromStdString(c.name);
    calls.push_back({Kind::Compressor, names.join(QLatin1Char('\n')), MsgIcon::None, {}, {}, {}});
    compressorsShown = compressors;
    if (compressorAnswers.empty()) return std::nullopt;
    auto a = compressorAnswers.front();
    compressorAnswers.pop_front();
    return a;
}

std::optional<AVICOMPRESSOPTIONS> QtDialogService::chooseCompressor(QWidget* owner,
                                                                   const std::vector<AviCompressor>& compressors,
                                                                   uint32_t flags, const AVICOMPRESSOPTIONS& initial) {
    AviCompressorDialog dialog(owner, compressors, flags, initial);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.options();
}

}  // namespace nalo
