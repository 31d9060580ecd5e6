#include "tools/tgapcx/ui/Nalo_TGAPCX.h"

#include <QComboBox>
#include <QLabel>

#include "controls/Command.h"
#include "shell/FileHelpers.h"
#include "shell/ProgramState.h"
#include "shell/Settings.h"

namespace nalo {

namespace {
constexpr const char* Section = "TGAPCX";
constexpr int Slot = 8;
}  // namespace

Nalo_TGAPCX::Nalo_TGAPCX(DialogService& dialogs)
    : FolderConverterWindow(dialogs, Slot, QStringLiteral("TGA、PCX、BMP、GIF、JPG --> BMP、TGA、PCX"),
                            {"List_get", "List_put", QStringLiteral("BMPを含むﾌｫﾙﾀﾞの選択")}) {
    setObjectName("Nalo_TGAPCX");
    addLabel(QStringLiteral("変換種類の選択..."), QRect(372, 68, 160, 18), panel());
    combo_ = new QComboBox(panel());
    combo_->setObjectName("Combo_Kind");
    combo_->setGeometry(372, 88, 160, 26);
    for (const auto& k : tgapcx::ConversionKinds) combo_->addItem(QString::fromUtf8(k.text));
    connect(Cmd_Henkan(), &Command::clicked, this, &Nalo_TGAPCX::convert);

    SetButtonsState(true, true);
    const IniDocument ini = IniDocument::read(IniPath());
    folder_ = LoadFolderKey(ini, Section, "GETﾌｫﾙﾀﾞ");
    LoadNumberKey(ini, Section, "上書き", 0, OverwriteMode);
    int16_t storedKind = 0;
    LoadNumberKey(ini, Section, "種類", 0, storedKind);
    setOverwriteMode(OverwriteMode);
    // A stored kind outside the list starts with the first kind.
    setKind(storedKind >= 0 && storedKind < tgapcx::KindCount ? storedKind : 0);
    connect(combo_, &QComboBox::activated, this, &Nalo_TGAPCX::setKind);
}

void Nalo_TGAPCX::saveSettings() {
    SaveFolderKey(Section, "GETﾌｫﾙﾀﾞ", folder_);
    SaveNumberKey(Section, "種類", static_cast<int16_t>(kind_));
    SaveNumberKey(Section, "上書き", OverwriteMode);
}

void Nalo_TGAPCX::setKind(int index) {
    if (index < 0 || index >= tgapcx::KindCount) return;
    kind_ = index;
    combo_->setCurrentIndex(index);
    lbl_Get()->setText(QString::fromUtf8(current().getLabel));
    lbl_Put()->setText(QString::fromUtf8(current().putLabel));
    clearLists();
}

std::string Nalo_TGAPCX::sourcePattern() const { return current().sourcePattern; }

std::string Nalo_TGAPCX::outputPattern() const { return tgapcx::outputPattern(current()); }

bool Nalo_TGAPCX::loadForPreview(const std::string& path, bool fromSourceList, Dib& picture) {
    return tgapcx::drawPicture(path, fromSourceList ? current().source : current().output, picture);
}

void Nalo_TGAPCX::sourceDropped(const QString& file) {
    const std::string name = FileNameOf(file.toStdString());
    if (tgapcx::matchesSource(current(), name)) return;
    for (int k = 0; k < tgapcx::KindCount; ++k)
        if (tgapcx::matchesSource(tgapcx::ConversionKinds[static_cast<size_t>(k)], name)) {
            setKind(k);
            return;
        }
}

void Nalo_TGAPCX::convert() {
    const auto files = selectedSources();
    if (files.empty()) {
        dialogs().message(this, QStringLiteral("画像が選択されていません！"));
        return;
    }
    const auto summary = tgapcx::convertFiles(files, current(), OverwriteMode, [this](const tgapcx::FileResult& r) {
        if (r.outputIsNew) addOutput(r.output);
        letEventsRun();
    });
    dialogs().message(this, QString::fromStdString(tgapcx::summaryMessage(summary)));
}

}  // namespace nalo
