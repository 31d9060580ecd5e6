#include "tools/pic2ico/ui/Nalo_Pic2Ico.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSignalBlocker>
#include <algorithm>

#include "codecs/AlphaIcoWriter.h"
#include "codecs/IcoWriter.h"
#include "controls/Command.h"
#include "controls/OptionImage.h"
#include "platform/FileIdentity.h"
#include "platform/PictureIo.h"
#include "platform/ui/DibImage.h"
#include "shell/FileHelpers.h"
#include "shell/Settings.h"
#include "tools/pic2ico/PicToIcon.h"
#include "tools/pic2ico/ui/Nalo_ImageCap.h"
#include "tools/pic2ico/ui/Nalo_PicColor.h"
#include "tools/pic2ico/ui/Nalo_Thumb.h"

namespace nalo {

using namespace pic2ico;

namespace {

constexpr ColourValue ButtonFace = 0x8000000Fu;

}  // namespace

Nalo_Pic2Ico::Nalo_Pic2Ico(DialogService& dialogs)
    : ToolWindow(dialogs, Slot, QStringLiteral("BMP、JPG、GIF  --> ICO"), QSize(520, 356)),
      icon_(IconSide, IconSide, 24), runModal_([](QDialog& d) { d.exec(); }) {
    setObjectName("Nalo_Pic2Ico");
    icon_.fill(translateColour(ButtonFace));

    TiledPanel* lists = addPanel(QRect(8, 8, 232, 340));
    lists->setObjectName("Pic_D_0");
    Drive1_ = new QComboBox(lists);
    Drive1_->setObjectName("Drive1");
    Drive1_->setGeometry(8, 8, 216, 24);
    Dir1_ = new QListWidget(lists);
    Dir1_->setObjectName("Dir1");
    Dir1_->setGeometry(8, 38, 216, 146);
    File1_ = new QListWidget(lists);
    File1_->setObjectName("File1");
    File1_->setGeometry(8, 190, 216, 142);
    Dir1_->setIconSize(QSize(16, 16));
    SetListExtent(Dir1_);
    SetListExtent(File1_);

    TiledPanel* side = addPanel(QRect(248, 8, 264, 340));
    side->setObjectName("Pic_D_1");
    auto* previewFrame = new QWidget(side);
    previewFrame->setGeometry(8, 8, 108, 130);
    previewFrame->setStyleSheet("background: rgb(40, 44, 84);");
    Pic_K_ = new QLabel(previewFrame);
    Pic_K_->setObjectName("Pic_K");
    Pic_K_->setStyleSheet("background: rgb(192, 192, 255);");
    lbl_Size_ = addLabel(QString(), QRect(4, 108, 100, 18), previewFrame, true);
    lbl_Size_->setObjectName("lbl_Size");
    lbl_Size_->setAlignment(Qt::AlignCenter);
    clearPreview();

    Cmd_Sel_ = addCommand(QStringLiteral("画像ｷｬﾌﾟﾁｬ"), QRect(124, 8, 132, 28), side, "Cmd_Sel");
    auto* iconFrame = new QWidget(side);
    iconFrame->setGeometry(123, 47, 34, 34);
    iconFrame->setStyleSheet("background: rgb(40, 44, 84);");
    IconImage_ = new QLabel(iconFrame);
    IconImage_->setObjectName("IconImage");
    IconImage_->setGeometry(1, 1, IconSide, IconSide);
    IconImage_->setCursor(Qt::CrossCursor);
    IconImage_->installEventFilter(this);
    Trns_Color_ = new QLabel(side);
    Trns_Color_->setObjectName("Trns_Color");
    Trns_Color_->setGeometry(168, 55, 18, 18);
    Cmd_TrnColor_ = addCommand(QStringLiteral("透過色"), QRect(124, 88, 64, 26), side, "Cmd_TrnColor");
    Cmd_C_ = addCommand(QStringLiteral("その他"), QRect(192, 88, 64, 26), side, "Cmd_C");

    // An option image with its caption; both report the click.
    auto addOption = [this, side](OptionImage::Look look, const char* name, int index, const QString& text,
                                  int x, int y, int width, auto onClick) {
        auto* img = new OptionImage(look, side);
        img->setObjectName(QStringLiteral("Img_%1_%2").arg(name).arg(index));
        img->setGeometry(x, y + 4, 13, 13);
        auto* label = new ClickLabel(text, side);
        label->setObjectName(QStringLiteral("lbl_%1_%2").arg(name).arg(index));
        label->setGeometry(x + 18, y, width, 20);
        connect(img, &OptionImage::mouseDown, this, onClick);
        connect(label, &ClickLabel::mouseDown, this, onClick);
        return img;
    };
    const char* captureCaptions[2] = {"範囲を指定してｷｬﾌﾟﾁｬｰ", "高画質に縮小してｷｬﾌﾟﾁｬｰ"};
    const char* fitCaptions[2] = {"高さを幅にあわせる", "幅を高さにあわせる"};
    for (int i = 0; i < 2; ++i) {
        Img_Sel_[i] = addOption(OptionImage::Look::Option, "Sel", i, QString::fromUtf8(captureCaptions[i]), 8,
                                i == 0 ? 146 : 210, 220, [this, i] { setCaptureMode(i); });
        Img_Fit_[i] = addOption(OptionImage::Look::Check, "Fit", i, QString::fromUtf8(fitCaptions[i]), 26,
                                166 + i * 20, 200, [this, i] { setFitSide(i); });
    }
    auto* heading = addLabel(QStringLiteral("ｱｲｺﾝの色"), QRect(8, 238, 120, 18), side);
    heading->setObjectName("Label2");
    const char* colourCaptions[4] = {"白黒", "16色", "256色", "ﾌﾙｶﾗｰ"};
    for (int i = 0; i < 4; ++i)
        Img_Color_[i] = addOption(OptionImage::Look::Option, "Color", i, QString::fromUtf8(colourCaptions[i]),
                                  8 + i * 62, 258, 42, [this, i] { setIconColours(i); });

    Img_Sizes_ = addOption(OptionImage::Look::Check, "Sizes", 0, QStringLiteral("16～256 ﾋﾟｸｾﾙ全ｻｲｽﾞ (32ﾋﾞｯﾄ)"), 8, 278, 240,
                           [this] { toggleAllSizes(); });

    Cmd_Set_ = addCommand(QStringLiteral("ｱｲｺﾝ作成"), QRect(8, 300, 120, 30), side, "Cmd_Set");
    auto* exit = addCommand(QStringLiteral("Exit"), QRect(136, 300, 120, 30), side, "Cmd_Can");

    connect(Cmd_Sel_, &Command::clicked, this, &Nalo_Pic2Ico::capture);
    connect(Cmd_TrnColor_, &Command::clicked, this, &Nalo_Pic2Ico::pickTransparentColour);
    connect(Cmd_C_, &Command::clicked, this, &Nalo_Pic2Ico::chooseTransparentColour);
    connect(Cmd_Set_, &Command::clicked, this, &Nalo_Pic2Ico::makeIcon);
    connect(exit, &Command::clicked, this, &Nalo_Pic2Ico::exitWithSave);
    connect(Drive1_, &QComboBox::currentTextChanged, this, &Nalo_Pic2Ico::changeDrive);
    connect(Dir1_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setFolder(item->data(DirRole).toString()); });
    // A selection, not the current row: focus alone makes a row current without choosing it.
    connect(File1_, &QListWidget::itemSelectionChanged, this, [this] {
        const auto chosen = File1_->selectedItems();
        if (!chosen.isEmpty()) chooseFile(chosen.first()->text());
    });

    SetButtonsState(true, true);
    acceptFileDrops(QString::fromUtf8(FilePattern), [this](const QString& file, const QString&) { openPicture(file); });
    const IniDocument ini = IniDocument::read(IniPath());
    loadSettings(ini);
    {
        const QSignalBlocker quiet(Drive1_);
        Drive1_->addItems(SystemMountPoints());
    }
    const QString start = QString::fromStdString(LoadFolderKey(ini, Section, KeyFileFolder));
    if (!setFolder(start)) setFolder(QStringLiteral("/"));
    Cmd_Sel_->setEnabled(false);
    for (Command* c : {Cmd_TrnColor_, Cmd_C_, Cmd_Set_}) c->setEnabled(false);
    showOptions();
    showIcon();
    showTransparentColour();
}

void Nalo_Pic2Ico::loadSettings(const IniDocument& ini) {
    // Values outside their choices fall back to the defaults, so every group shows a choice.
    auto load = [&ini](const char* key, int16_t fallback, int16_t last) {
        int16_t v = fallback;
        LoadNumberKey(ini, Section, key, fallback, v);
        return v >= 0 && v <= last ? v : fallback;
    };
    shared_.CaptureMode = load(KeyCaptureMode, 1, 1);
    shared_.FitSide = load(KeyFitSide, 0, 1);
    shared_.IconColours = load(KeyIconColours, 2, 3);
    shared_.ShrinkMode = load(KeyShrinkMode, 0, 2);
    iconFolder_ = QString::fromStdString(LoadFolderKey(ini, Section, KeyIconFolder));
}

void Nalo_Pic2Ico::saveSettings() {
    SaveNumberKey(Section, KeyCaptureMode, static_cast<int16_t>(shared_.CaptureMode));
    SaveNumberKey(Section, KeyFitSide, static_cast<int16_t>(shared_.FitSide));
    SaveNumberKey(Section, KeyIconColours, static_cast<int16_t>(shared_.IconColours));
    SaveNumberKey(Section, KeyShrinkMode, static_cast<int16_t>(shared_.ShrinkMode));
    SaveFolderKey(Section, KeyFileFolder, folder_.toStdString());
    SaveFolderKey(Section, KeyIconFolder, iconFolder_.toStdString());
}

void Nalo_Pic2Ico::showOptions() {
    for (int i = 0; i < 2; ++i) Img_Sel_[i]->setChecked(i == shared_.CaptureMode);
    for (int i = 0; i < 2; ++i) Img_Fit_[i]->setChecked(i == shared_.FitSide);
    for (int i = 0; i < 4; ++i) Img_Color_[i]->setChecked(i == shared_.IconColours);
}

void Nalo_Pic2Ico::setCaptureMode(int mode) {
    shared_.CaptureMode = mode;
    showOptions();
}

void Nalo_Pic2Ico::setFitSide(int side) {
    shared_.FitSide = side;
    shared_.CaptureMode = 0;  // the fit side belongs to the region capture
    showOptions();
}

void Nalo_Pic2Ico::setIconColours(int colours) {
    shared_.IconColours = colours;
    showOptions();
}

void Nalo_Pic2Ico::syncDrive() { SyncDriveList(Drive1_, folder_); }

void Nalo_Pic2Ico::changeDrive(const QString& drive) {
    if (drive.isEmpty()) return;
    if (!FolderExists(drive.toStdString())) {
        dialogs().message(this, DriveErrorText(drive, nullptr), MsgIcon::Exclamation);
    } else {
        try {
            moveToFolder(drive);
            return;
        } catch (const RuntimeError& e) {
            dialogs().message(this, DriveErrorText(drive, &e), MsgIcon::Exclamation, MsgButtons::RetryCancel);
        }
    }
    syncDrive();
}

bool Nalo_Pic2Ico::setFolder(const QString& folder) {
    return MoveToFolderOrReport(dialogs(), this, Dir1_, folder_, [&] { moveToFolder(folder); });
}

void Nalo_Pic2Ico::moveToFolder(const QString& folder) {
    folder_ = ShowFolder(Drive1_, Dir1_, folder);

    fillFileList();
    Cmd_Sel_->setEnabled(false);
    clearPreview();
}

void Nalo_Pic2Ico::fillFileList() {
    const QSignalBlocker quiet(File1_);
    File1_->clear();
    ListingHooks hooks;
    bool reported = false;
    hooks.onError = [this, &reported](const RuntimeError& e) {
        if (!reported) dialogs().message(this, QString::fromStdString(e.description()), MsgIcon::Exclamation);
        reported = true;
    };
    std::vector<std::string> names;
    for (const QString& pattern : QString::fromUtf8(FilePattern).split(QLatin1Char(';')))
        for (const auto& p : ListFolder(folder_.toStdString(), pattern.toStdString(), hooks))
            names.push_back(FileNameOf(p));
    std::sort(names.begin(), names.end(), LessNoCase);
    for (const auto& n : names) File1_->addItem(QString::fromStdString(n));
}

void Nalo_Pic2Ico::clearPreview() {
    Pic_K_->clear();
    Pic_K_->setGeometry(4, 4, PreviewSide, PreviewSide);
    lbl_Size_->clear();
}

void Nalo_Pic2Ico::openPicture(const QString& file) {
    const QFileInfo info(file);
    if (!setFolder(info.absolutePath())) return;
    const auto items = File1_->findItems(info.fileName(), Qt::MatchExactly);
    if (!items.isEmpty()) File1_->setCurrentItem(items.front());
    chooseFile(info.fileName());
}

void Nalo_Pic2Ico::chooseFile(const QString& name) {
    if (name.isEmpty()) return;
    const std::string path = joinSourcePath(folder_.toStdString(), name.toStdString());
    Dib picture;
    try {
        BusyCursor busy;
        picture = loadPicture(path);
    } catch (const RuntimeError& e) {
        // The previous picture, preview and source stay as they were.
        dialogs().message(this,
                          QStringLiteral("画像ﾌｧｲﾙを読み込めません: ") + QString::fromStdString(path) + "\r\n" +
                              QString::fromStdString(e.description()),
                          MsgIcon::Exclamation);
        return;
    }
    shared_.SourcePath = path;
    picture_ = std::move(picture);
    lbl_Size_->setText(QString::fromStdString(pictureSizeText(picture_.width(), picture_.height())));
    const Dib preview = previewPicture(picture_);
    Pic_K_->hide();
    Pic_K_->setGeometry(4 + (PreviewSide - preview.width()) / 2, 4 + (PreviewSide - preview.height()) / 2,
                        preview.width(), preview.height());
    Pic_K_->setPixmap(QPixmap::fromImage(toQImage(preview)));
    Pic_K_->show();
    Cmd_Sel_->setEnabled(true);
}

void Nalo_Pic2Ico::runDialog(QDialog* dialog) {
    // The window may be closed while the dialog runs; the dialog goes with it then.
    QPointer<QDialog> guard(dialog);
    runModal_(*dialog);
    delete guard.data();
}

void Nalo_Pic2Ico::capture() {
    if (picture_.empty()) return;
    if (!canCaptureIcon(picture_.width(), picture_.height())) {
        dialogs().message(this, QString::fromUtf8(SizeMessage), MsgIcon::Information);
        return;
    }
    shared_.Captured = false;
    QPointer<Nalo_Pic2Ico> self(this);
    try {
        if (shared_.CaptureMode == 0) {
            const QScreen* screen = QGuiApplication::primaryScreen();
            runDialog(new Nalo_ImageCap(shared_, icon_, screen ? screen->size() : QSize(1024, 768), this));
        } else {
            runDialog(new Nalo_Thumb(dialogs(), shared_, icon_, this));
        }
    } catch (const RuntimeError& e) {
        if (self) dialogs().message(this, QString::fromStdString(e.description()), MsgIcon::Exclamation);
    }
    if (!self || !shared_.Captured) return;
    showIcon();
    for (Command* c : {Cmd_TrnColor_, Cmd_C_, Cmd_Set_}) c->setEnabled(true);
}

void Nalo_Pic2Ico::showIcon() { IconImage_->setPixmap(QPixmap::fromImage(toQImage(icon_))); }

void Nalo_Pic2Ico::showTransparentColour() {
    Trns_Color_->setStyleSheet(QStringLiteral("background: rgb(%1, %2, %3); border: 1px solid black;")
                                   .arg(redOf(transparent_))
                                   .arg(greenOf(transparent_))
                                   .arg(blueOf(transparent_)));
}

void Nalo_Pic2Ico::pickIconPixel(int x, int y) {
    const ColourValue c = icon_.pixel(x, y);
    if (c == ClrInvalid) return;
    transparent_ = c;
    showTransparentColour();
}

bool Nalo_Pic2Ico::eventFilter(QObject* watched, QEvent* event) {
    if (watched == IconImage_ && event->type() == QEvent::MouseButtonPress) {
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        pickIconPixel(p.x(), p.y());
        return true;
    }
    return ToolWindow::eventFilter(watched, event);
}

void Nalo_Pic2Ico::pickTransparentColour() {
    runDialog(new Nalo_PicColor(icon_, transparent_, this));
    showTransparentColour();
}

void Nalo_Pic2Ico::chooseTransparentColour() {
    std::vector<ColourValue> systemColours;
    for (ColourValue i = 0; i < 16; ++i) systemColours.push_back(translateColour(0x80000000u | i));
    if (auto chosen = dialogs().chooseColour(this, transparent_, systemColours, false)) {
        transparent_ = *chosen;
        showTransparentColour();
    }
}

void Nalo_Pic2Ico::toggleAllSizes() {
    allSizes_ = !allSizes_;
    Img_Sizes_->setChecked(allSizes_);
}

void Nalo_Pic2Ico::makeIcon() {
    const FileDialogRequest request = saveAsRequest(folder_, QStringLiteral("ICOﾌｧｲﾙ"), QStringLiteral("ico"));
    const QString file = dialogs().saveFile(this, request);
    if (file.isEmpty()) return;
    iconFolder_ = QString::fromStdString(ParentPath(file.toStdString()));
    bool made = false;
    QString reason;
    try {
        BusyCursor busy;
        refuseSourceAsOutput(file.toStdString(), {shared_.SourcePath}, "MakeIcon");
        if (allSizes_) {
            // From the whole source picture with its alpha, not the 32 x 32 capture.
            MakeMultiSizeIcon(loadPictureWithAlpha(shared_.SourcePath), transparent_, file.toStdString(),
                              {std::begin(AllIconSides), std::end(AllIconSides)});
            made = true;
        } else {
            made = MakeIcon(icon_, transparent_, file.toStdString(), iconBitCount(shared_.IconColours),
                            [] { letEventsRun(); });
        }
    } catch (const RuntimeError& e) {
        reason = "\r\n" + QString::fromStdString(e.description());
    }
    if (!made)
        dialogs().message(this, QStringLiteral("ｱｲｺﾝを保存できません: ") + file + reason, MsgIcon::Exclamation);
}

}  // namespace nalo
