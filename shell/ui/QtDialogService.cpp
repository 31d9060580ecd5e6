#include "shell/ui/QtDialogService.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace nalo {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }

QString filterText(const std::vector<FileFilter>& filters) {
    QStringList parts;
    for (const auto& f : filters) parts << q(f.description + " (" + f.patterns + ")");
    return parts.join(";;");
}
}  // namespace

MsgResult QtDialogService::MessageBox(const std::string& text, MsgIcon icon, MsgButtons buttons,
                                      const std::string& caption) {
    QMessageBox box(owner_);
    box.setWindowTitle(q(caption));
    box.setText(q(text));
    switch (icon) {
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::None: break;
    }
    switch (buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    default: return MsgResult::Ok;
    }
}

std::string QtDialogService::OpenFile(const std::string& title, const std::string& startFolder,
                                      const std::vector<FileFilter>& filters) {
    return QFileDialog::getOpenFileName(owner_, q(title), q(startFolder), filterText(filters)).toStdString();
}

std::string QtDialogService::SaveFile(const std::string& title, const std::string& startName,
                                      const std::vector<FileFilter>& filters) {
    return QFileDialog::getSaveFileName(owner_, q(title), q(startName), filterText(filters)).toStdString();
}

std::string QtDialogService::BrowseFolder(const std::string& start) {
    return QFileDialog::getExistingDirectory(owner_, QStringLiteral("フォルダを選択してください"), q(start))
        .toStdString();
}

std::optional<ColourValue> QtDialogService::ChooseColour(ColourValue initial, std::vector<ColourValue>& custom) {
    for (int i = 0; i < QColorDialog::customCount() && i < static_cast<int>(custom.size()); ++i)
        QColorDialog::setCustomColor(i, QColor(redOf(custom[i]), greenOf(custom[i]), blueOf(custom[i])));
    QColor c = QColorDialog::getColor(QColor(redOf(initial), greenOf(initial), blueOf(initial)), owner_);
    for (int i = 0; i < QColorDialog::customCount() && i < static_cast<int>(custom.size()); ++i) {
        QColor k = QColorDialog::customColor(i);
        custom[i] = rgb(static_cast<uint8_t>(k.red()), static_cast<uint8_t>(k.green()), static_cast<uint8_t>(k.blue()));
    }
    if (!c.isValid()) return std::nullopt;
    return rgb(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}

DialogService& DefaultDialogs() {
    static QtDialogService service;
    return service;
}

}  // namespace nalo
