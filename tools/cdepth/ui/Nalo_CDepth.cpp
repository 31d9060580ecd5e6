#include "tools/cdepth/ui/Nalo_CDepth.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPainter>

#include "controls/Command.h"
#include "controls/HoverButton.h"
#include "platform/FileIdentity.h"
#include "platform/PictureIo.h"
#include "platform/ui/DibImage.h"
#include "shell/FileHelpers.h"
#include "shell/ProgramState.h"
#include "shell/Settings.h"
#include "tools/cdepth/CDepthConversion.h"

namespace nalo {

namespace {

constexpr const char* Section = "CDepth";
constexpr const char* PictureFilter =
    "画像ﾌｧｲﾙ (BMP JPG GIF PNG WEBP TIFF) (*.BMP *.JPG *.GIF *.PNG *.WEBP *.TIF *.TIFF *.bmp *.jpg *.gif *.png *.webp "
    "*.tif *.tiff)";
constexpr int Slot = 12;

}  // namespace

void PicturePreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(255, 255, 255));
    if (!picture_.empty()) p.drawImage(0, 0, toQImage(picture_.hdc()));
}

Nalo_CDepth::Nalo_CDepth(DialogService& dialogs)
    : ToolWindow(dialogs, Slot, QStringLiteral("BMP、JPG、GIF --> BMP(補正減色)"), QSize(620, 430)) {
    setObjectName("Nalo_CDepth");
    auto* load = new HoverButton(QStringLiteral("BMP、JPG、GIF ﾌｧｲﾙの選択"), this);
    load->setObjectName("cmdLoad");
    load->setGeometry(12, 10, 200, 32);
    addLabel(QStringLiteral("画像ﾌｧｲﾙの"), QRect(220, 8, 90, 18), nullptr, true);
    addLabel(QStringLiteral("読み込み"), QRect(220, 26, 90, 18), nullptr, true);

    picCurrent_ = new PicturePreview(work_, this);
    picCurrent_->setObjectName("picCurrent");
    picCurrent_->setGeometry(12, 50, 400, 368);

    TiledPanel* depthPanel = addPanel(QRect(424, 50, 184, 112));
    depthPanel->setObjectName("picColourDepthOptions");
    addLabel(QStringLiteral("ｶﾗｰ深度"), QRect(8, 4, 160, 18), depthPanel);
    const char* depthCaptions[4] = {"白黒", "16色", "256色", "ﾌﾙｶﾗｰ"};
    auto* depthGroup = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        depth_[i] = new QRadioButton(QString::fromUtf8(depthCaptions[i]), depthPanel);
        depth_[i]->setObjectName(QString("optColourDepth_%1").arg(i));
        depth_[i]->setGeometry(12, 24 + i * 21, 160, 20);
        depthGroup->addButton(depth_[i], i);
        connect(depth_[i], &QRadioButton::clicked, this, &Nalo_CDepth::depthClicked);
    }

    TiledPanel* methodPanel = addPanel(QRect(424, 170, 184, 132));
    methodPanel->setObjectName("picColourReductionOptions");
    addLabel(QStringLiteral("ｶﾗｰ補正"), QRect(8, 4, 160, 18), methodPanel);
    const char* methodCaptions[3] = {"ﾃﾞﾌｫﾙﾄ", "効果", "最適ﾊﾟﾚｯﾄ"};
    auto* methodGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        method_[i] = new QRadioButton(QString::fromUtf8(methodCaptions[i]), methodPanel);
        method_[i]->setObjectName(QString("optReduceMethod_%1").arg(i));
        method_[i]->setGeometry(12, i == 2 ? 104 : 24 + i * 21, 160, 20);
        methodGroup->addButton(method_[i], i);
        connect(method_[i], &QRadioButton::clicked, this, &Nalo_CDepth::methodClicked);
    }
    auto* palettePanel = new QWidget(methodPanel);
    palettePanel->setObjectName("picFloydStucciOptions");
    palettePanel->setGeometry(28, 64, 150, 40);
    const char* paletteCaptions[2] = {"ﾊｰﾌﾄｰﾝ", "Web仕様"};
    auto* paletteGroup = new QButtonGroup(this);
    paletteGroup->setExclusive(false);  // "neither" is a state of its own
    for (int i = 0; i < 2; ++i) {
        palette_[i] = new QRadioButton(QString::fromUtf8(paletteCaptions[i]), palettePanel);
        palette_[i]->setObjectName(QString("optFloydStucciType_%1").arg(i));
        palette_[i]->setGeometry(0, i * 19, 150, 19);
        palette_[i]->setAutoExclusive(false);
        paletteGroup->addButton(palette_[i], i);
        connect(palette_[i], &QRadioButton::clicked, this, [this, i] { setPaletteSelection(i); });
    }

    cmdConvert_ = addCommand(QStringLiteral("変換"), QRect(424, 310, 90, 30), nullptr, "cmdConvert");
    cmdReset_ = addCommand(QStringLiteral("ﾘｾｯﾄ"), QRect(518, 310, 90, 30), nullptr, "cmdReset");
    cmdSave_ = addCommand(QStringLiteral("保存"), QRect(424, 346, 90, 30), nullptr, "cmdSave");
    auto* exit = addCommand(QStringLiteral("Exit"), QRect(518, 346, 90, 30), nullptr, "CmdCan");
    lbl_MSG_[0] = addLabel(QStringLiteral("しばらく..."), QRect(424, 384, 184, 16), nullptr, true);
    lbl_MSG_[1] = addLabel(QStringLiteral("お待ちください。"), QRect(424, 400, 184, 16), nullptr, true);
    for (int i = 0; i < 2; ++i) {
        lbl_MSG_[i]->setObjectName(QString("lbl_MSG_%1").arg(i));
        lbl_MSG_[i]->hide();
    }

    connect(load, &HoverButton::clicked, this, &Nalo_CDepth::chooseFile);
    connect(cmdConvert_, &Command::clicked, this, &Nalo_CDepth::convert);
    connect(cmdReset_, &Command::clicked, this, &Nalo_CDepth::reset);
    connect(cmdSave_, &Command::clicked, this, &Nalo_CDepth::save);
    connect(exit, &Command::clicked, this, &Nalo_CDepth::exitWithSave);

    SetButtonsState(true, true);
    acceptFileDrops(QString::fromUtf8(PictureFilter), [this](const QString& file, const QString&) { openPicture(file); });
    const IniDocument ini = IniDocument::read(IniPath());
    PictureFolder = LoadFolderKey(ini, Section, "PIC_Getﾌｫﾙﾀﾞ");
    saveFolder_ = QString::fromStdString(LoadFolderKey(ini, Section, "PIC_Putﾌｫﾙﾀﾞ"));
    depth_[2]->setChecked(true);
    method_[0]->setChecked(true);
    methodClicked();
    for (Command* c : {cmdConvert_, cmdReset_, cmdSave_}) c->setEnabled(false);
}

void Nalo_CDepth::saveSettings() {
    SaveFolderKey(Section, "PIC_Getﾌｫﾙﾀﾞ", PictureFolder);
    SaveFolderKey(Section, "PIC_Putﾌｫﾙﾀﾞ", saveFolder_.toStdString());
}

int Nalo_CDepth::SelectedDepth() const {
    for (int i = 0; i < 4; ++i)
        if (depth_[i]->isChecked()) return i;
    return 0;
}

int Nalo_CDepth::SelectedMethod() const {
    for (int i = 0; i < 3; ++i)
        if (method_[i]->isChecked()) return i;
    return 0;
}

void Nalo_CDepth::setPaletteSelection(int index) {
    for (int i = 0; i < 2; ++i) palette_[i]->setChecked(i == index);
}

void Nalo_CDepth::depthClicked() {
    const bool full = depth_[3]->isChecked(), c256 = depth_[2]->isChecked();
    method_[0]->setChecked(true);
    method_[1]->setEnabled(!full);
    method_[2]->setEnabled(!full && c256);
    methodClicked();
    if (!c256) setPaletteSelection(-1);
    else if (!palette_[0]->isChecked() && !palette_[1]->isChecked()) setPaletteSelection(0);
}

void Nalo_CDepth::methodClicked() {
    const bool on = method_[1]->isChecked() && depth_[2]->isChecked();
    for (auto* p : palette_) p->setEnabled(on);
}

void Nalo_CDepth::chooseFile() {
    FileDialogRequest request;
    request.title = QStringLiteral("画像ﾌｧｲﾙを選択");
    request.folder = QString::fromStdString(PictureFolder);
    request.filter = QString::fromUtf8(PictureFilter);
    const QString file = dialogs().openFile(this, request);
    if (!file.isEmpty()) openPicture(file);
}

void Nalo_CDepth::openPicture(const QString& file) {
    PictureFolder = ParentPath(file.toStdString());
    LoadPictureFile(file);
    picCurrent_->update();
    cmdConvert_->setEnabled(true);
    cmdReset_->setEnabled(false);
    cmdSave_->setEnabled(false);
}

void Nalo_CDepth::LoadPictureFile(const QString& file) {
    try {
        const Dib picture = loadPicture(file.toStdString());
        work_.CreateFromPicture(picture);
        currentFile_ = file;
        if (!depth_[3]->isChecked()) {
            depth_[3]->setChecked(true);
            depthClicked();
        }
        saver_ = cdepth::loadedPictureSaver(work_);
    } catch (const RuntimeError& e) {
        dialogs().message(this,
                          QStringLiteral("Error load file '") + file + "'\r\n" + QString::fromStdString(e.description()),
                          MsgIcon::Exclamation);
    }
    cmdReset_->setEnabled(!currentFile_.isEmpty());
}

void Nalo_CDepth::convert() {
    if (work_.empty()) return;
    bool converted = false;
    {
        BusyCursor busy;
        for (auto* l : lbl_MSG_) l->show();
        letEventsRun();
        cdepth::Options options;
        options.depth = SelectedDepth();
        options.method = SelectedMethod();
        options.palette = palette_[0]->isChecked() ? cdepth::PaletteHalfTone
                          : palette_[1]->isChecked() ? cdepth::PaletteWebSafe
                                                     : cdepth::PaletteNone;
        // "Error in reducing nodes": No cancels this conversion (other windows may hold work).
        auto ask = [this] {
            return dialogs().message(this, QStringLiteral("Error in reducing nodes"), MsgIcon::Exclamation,
                                     MsgButtons::YesNo) == MsgResult::Yes;
        };
        try {
            auto saver = cdepth::convertPicture(work_, options, ask);
            if (saver) {
                saver_ = std::move(saver);
                converted = true;
            }
        } catch (const RuntimeError& e) {
            dialogs().message(this, QString::fromStdString(e.description()), MsgIcon::Exclamation);
        }
        for (auto* l : lbl_MSG_) l->hide();
    }
    picCurrent_->update();
    if (!converted) return;
    cmdConvert_->setEnabled(false);
    cmdReset_->setEnabled(true);
    cmdSave_->setEnabled(true);
    dialogs().message(this, QStringLiteral("変換しました(正常終了)"), MsgIcon::Exclamation);
}

void Nalo_CDepth::reset() {
    LoadPictureFile(currentFile_);
    picCurrent_->update();
    cmdConvert_->setEnabled(true);
    cmdReset_->setEnabled(false);
    cmdSave_->setEnabled(false);
}

void Nalo_CDepth::save() {
    if (!saver_) return;
    // A name ending in .png is saved as PNG.
    FileDialogRequest request = saveAsRequest(saveFolder_, QStringLiteral("BMPﾌｧｲﾙ"), QStringLiteral("bmp"));
    request.filter += QStringLiteral(";;PNGﾌｧｲﾙ (*.png)");
    const QString file = dialogs().saveFile(this, request);
    if (file.isEmpty()) return;
    saveFolder_ = QString::fromStdString(ParentPath(file.toStdString()));
    try {
        refuseSourceAsOutput(file.toStdString(), {currentFile_.toStdString()}, "cDIBSectionSave");
        saver_->Save(file.toStdString());
    } catch (const RuntimeError& e) {
        // The window stays usable: the reason is shown and the picture can be saved elsewhere.
        dialogs().message(this, QString::fromStdString(e.description()), MsgIcon::Exclamation);
        return;
    }
    for (Command* c : {cmdConvert_, cmdReset_, cmdSave_}) c->setEnabled(false);
}

}  // namespace nalo
