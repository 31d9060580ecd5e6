#include "tools/bj2a/ui/Nalo_BJ2A.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalBlocker>
#include <utility>
#include <algorithm>
#include <cstdio>

#include "controls/Command.h"
#include "controls/HoverButton.h"
#include "platform/PictureIo.h"
#include "platform/ui/DibImage.h"
#include "shell/AppPath.h"
#include "shell/FileHelpers.h"
#include "shell/Rounding.h"
#include "shell/Settings.h"
#include "shell/ui/FolderLists.h"
#include "tools/bj2a/Bj2aRules.h"
#include "tools/bj2a/ImagesToAvi.h"
#include "tools/bj2a/ui/Nalo_AVI.h"

namespace nalo {

using namespace bj2a;

namespace {

constexpr int PreviewBox = 100;

template <class W, class... Args>
W* placed(QWidget* parent, const char* name, const QRect& geometry, Args&&... args) {
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(name);
    w->setGeometry(geometry);
    return w;
}
const char* const Patterns[] = {"*.bmp;*.jpg", "*.bmp", "*.jpg", "*.bmp;*.jpg;*.png;*.webp;*.tif;*.tiff"};

// The integer value of a size box, when it is a valid 16-bit integer above 0.
std::optional<int> sizeOf(const QLineEdit* box) {
    bool ok = false;
    const double v = box->text().trimmed().toDouble(&ok);
    if (!ok || !(v >= -32768.5 && v < 32767.5)) return std::nullopt;
    const int n = toInt16(v);
    return n > 0 ? std::optional<int>(n) : std::nullopt;
}

}  // namespace

Nalo_BJ2A::Nalo_BJ2A(DialogService& dialogs)
    : ToolWindow(dialogs, Slot, QStringLiteral("BMP、JPG  -->  AVI"), QSize(520, 372)),
      runPlayer_([this](const QString& path) {
          Nalo_AVI player(path, this);
          player.exec();
      }) {
    setObjectName("Nalo_BJ2A");
    TiledPanel* lists = addPanel(QRect(8, 8, 232, 356));
    lists->setObjectName("Pic_D");
    drv1_ = placed<QComboBox>(lists, "drv1", QRect(8, 8, 216, 24));
    Dir1_ = placed<QListWidget>(lists, "Dir1", QRect(8, 38, 216, 148));
    Combo_Kind_ = placed<QComboBox>(lists, "Combo_Kind", QRect(8, 192, 216, 24));
    File1_ = placed<QListWidget>(lists, "File1", QRect(8, 222, 216, 126));
    Dir1_->setIconSize(QSize(16, 16));
    SetListExtent(Dir1_);
    SetListExtent(File1_);

    TiledPanel* options = addPanel(QRect(248, 8, 264, 240));
    options->setObjectName("Pic_O");
    TiledPanel* box = new TiledPanel(options);
    box->setGeometry(8, 8, PreviewBox + 8, PreviewBox + 8);
    Pic_Pre_ = placed<QLabel>(box, "Pic_Pre", QRect(4, 4, PreviewBox, PreviewBox));
    addLabel(QStringLiteral("ﾌﾚｰﾑ数 ："), QRect(128, 12, 70, 18), options);
    lbl_Flame_ = addLabel(QStringLiteral("0"), QRect(198, 12, 60, 18), options);
    lbl_Flame_->setObjectName("lbl_Flame");
    addLabel(QStringLiteral("幅 ："), QRect(128, 44, 50, 18), options);
    txtWidth_ = placed<QLineEdit>(options, "txtWidth", QRect(180, 42, 70, 22));
    addLabel(QStringLiteral("高さ ："), QRect(128, 74, 50, 18), options);
    txtHeight_ = placed<QLineEdit>(options, "txtHeight", QRect(180, 72, 70, 22));
    addLabel(QStringLiteral("fp/s ："), QRect(8, 130, 50, 18), options);
    lbl_FPS_ = addLabel(QStringLiteral("20"), QRect(60, 130, 40, 18), options);
    lbl_FPS_->setObjectName("lbl_FPS");
    HS_FPS_ = placed<QScrollBar>(options, "HS_FPS", QRect(100, 130, 150, 18), Qt::Horizontal);
    HS_FPS_->setRange(1, 30);
    HS_FPS_->setValue(DefaultFps);
    lbl_S_ = addLabel(QString(), QRect(8, 160, 248, 36), options);
    lbl_S_->setObjectName("lbl_S");
    lbl_S_->setWordWrap(true);
    Cmd_AVI_ = addCommand(QStringLiteral("AVI の作成"), QRect(8, 204, 120, 28), options, "Cmd_AVI");
    Cmd_Viewer_ = placed<HoverButton>(options, "Cmd_Viewer", QRect(136, 204, 120, 28), QStringLiteral("AVIの再生"));
    Cmd_Can_ = addCommand(QStringLiteral("Exit"), QRect(412, 334, 100, 30), nullptr, "Cmd_Can");

    connect(Cmd_AVI_, &Command::clicked, this, &Nalo_BJ2A::makeAvi);
    connect(Cmd_Viewer_, &HoverButton::clicked, this, &Nalo_BJ2A::play);
    connect(Cmd_Can_, &Command::clicked, this, &Nalo_BJ2A::exitWithSave);
    connect(drv1_, &QComboBox::currentTextChanged, this, &Nalo_BJ2A::changeDrive);
    connect(Dir1_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setFolder(item->data(DirRole).toString()); });
    connect(File1_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { chooseFile(item->text()); });
    connect(Combo_Kind_, &QComboBox::activated, this, [this](int i) { setPattern(Combo_Kind_->itemText(i)); });
    connect(HS_FPS_, &QScrollBar::valueChanged, this, &Nalo_BJ2A::setFps);

    SetButtonsState(true, true);
    acceptFolderDrops([this](const QString& folder, const QString&) { setFolder(folder); });
    const IniDocument ini = IniDocument::read(IniPath());
    folder_ = QString::fromStdString(LoadFolderKey(ini, Section, KeySourceFolder));
    aviFolder_ = QString::fromStdString(LoadFolderKey(ini, Section, KeyAviFolder));
    int16_t fps = DefaultFps;
    LoadNumberKey(ini, Section, KeyFps, DefaultFps, fps);
    for (const char* p : Patterns) Combo_Kind_->addItem(QString::fromUtf8(p));
    Combo_Kind_->setCurrentIndex(0);
    pattern_ = QString::fromUtf8(Patterns[0]);
    Cmd_Viewer_->setEnabled(false);
    {
        const QSignalBlocker quiet(drv1_);
        drv1_->addItems(SystemMountPoints());
    }
    if (!setFolder(folder_)) setFolder(QStringLiteral("/"));
    HS_FPS_->setValue(LimitFps(fps));
    setFps(HS_FPS_->value());
}

Nalo_BJ2A::~Nalo_BJ2A() {
    const std::string temp = TempFramePath(workFolder());
    if (FileExists(temp)) std::remove(temp.c_str());
}

void Nalo_BJ2A::saveSettings() {
    SaveFolderKey(Section, KeySourceFolder, folder_.toStdString());
    SaveFolderKey(Section, KeyAviFolder, aviFolder_.toStdString());
    SaveNumberKey(Section, KeyFps, int16_t(HS_FPS_->value()));
}

void Nalo_BJ2A::closeEvent(QCloseEvent* e) {
    // A run lets window events through: the window stays until it ends.
    if (running_) {
        e->ignore();
        return;
    }
    ToolWindow::closeEvent(e);
}

void Nalo_BJ2A::syncDrive() { SyncDriveList(drv1_, folder_); }

void Nalo_BJ2A::changeDrive(const QString& drive) {
    if (drive.isEmpty()) return;
    for (;;) {
        QString text;
        if (!FolderExists(drive.toStdString())) {
            text = DriveErrorText(drive, nullptr);
        } else {
            try {
                moveToFolder(drive);
                return;
            } catch (const RuntimeError& e) {
                text = DriveErrorText(drive, &e);
            }
        }
        if (dialogs().message(this, text, MsgIcon::Exclamation, MsgButtons::RetryCancel) != MsgResult::Retry) break;
    }
    syncDrive();
}

bool Nalo_BJ2A::setFolder(const QString& folder) {
    return MoveToFolderOrReport(dialogs(), this, Dir1_, folder_, [&] { moveToFolder(folder); });
}

void Nalo_BJ2A::moveToFolder(const QString& folder) {
    folder_ = ShowFolder(drv1_, Dir1_, folder);
    clearPreview();
    fillFileList();
    if (File1_->count() > 0 && preview(File1_->item(0)->text())) {
        File1_->setCurrentRow(0);
        txtWidth_->setText(QString::number(picture_.width()));
        txtHeight_->setText(QString::number(picture_.height()));
    }
    Cmd_AVI_->setEnabled(true);
    Cmd_Viewer_->setEnabled(false);
}

void Nalo_BJ2A::fillFileList() {
    File1_->clear();
    ListingHooks hooks;
    bool reported = false;
    hooks.onError = [this, &reported](const RuntimeError& e) {
        if (!std::exchange(reported, true))
            dialogs().message(this, QString::fromStdString(e.description()), MsgIcon::Exclamation);
    };
    std::vector<std::string> names;
    for (const QString& p : pattern_.split(QLatin1Char(';')))
        for (const auto& path : ListFolder(folder_.toStdString(), p.toStdString(), hooks)) names.push_back(FileNameOf(path));
    std::sort(names.begin(), names.end(), LessNoCase);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (const auto& n : names) File1_->addItem(QString::fromStdString(n));
    lbl_Flame_->setText(QString::number(File1_->count()));
}

void Nalo_BJ2A::clearPreview() {
    Pic_Pre_->clear();
    Pic_Pre_->resize(PreviewBox, PreviewBox);
}

bool Nalo_BJ2A::preview(const QString& name) {
    try {
        picture_ = loadPicture(AddBackslash(folder_.toStdString()) + name.toStdString());
    } catch (const RuntimeError&) {
        clearPreview();
        return false;
    }
    const PreviewSize size = PreviewFor(picture_.width(), picture_.height());
    Dib shown(size.width, size.height, 24);
    stretchBlt(shown, 0, 0, size.width, size.height, picture_, 0, 0, picture_.width(), picture_.height());
    Pic_Pre_->resize(size.width, size.height);
    Pic_Pre_->setPixmap(QPixmap::fromImage(toQImage(shown)));
    return true;
}

void Nalo_BJ2A::chooseFile(const QString& name) {
    if (name.isEmpty() || !preview(name)) return;
    txtWidth_->setText(QString::number(picture_.width()));
    txtHeight_->setText(QString::number(picture_.height()));
}

void Nalo_BJ2A::setPattern(const QString& pattern) {
    pattern_ = pattern;
    fillFileList();
    if (File1_->count() > 0) File1_->setCurrentRow(0);
}

void Nalo_BJ2A::setFps(int fps) { lbl_FPS_->setText(QString::number(fps)); }

void Nalo_BJ2A::makeAvi() {
    if (File1_->count() == 0 || running_) return;
    FileDialogRequest request = saveAsRequest(aviFolder_, QStringLiteral("AVI Videoﾌｧｲﾙ"), QStringLiteral("avi"));
    // The other containers: the name (or the filter's extension) chooses; the compressor
    // dialog then offers what that container takes.
    request.filter += QStringLiteral(";;MP4 Video (*.mp4);;QuickTime Video (*.mov);;Matroska Video (*.mkv);;WebM Video (*.webm)");
    const QString chosen = dialogs().saveFile(this, request);
    if (chosen.isEmpty()) return;
    lastAvi_ = chosen.left(chosen.indexOf(QChar(0)) < 0 ? chosen.size() : chosen.indexOf(QChar(0)));
    aviFolder_ = QString::fromStdString(ParentPath(lastAvi_.toStdString()));
    if (auto w = sizeOf(txtWidth_), h = sizeOf(txtHeight_); w && h) canvasWidth_ = *w, canvasHeight_ = *h;

    RunRequest run;
    run.output = lastAvi_.toStdString();
    for (int i = 0; i < File1_->count(); ++i)
        run.pictures.push_back(AddBackslash(folder_.toStdString()) + File1_->item(i)->text().toStdString());
    run.width = canvasWidth_;
    run.height = canvasHeight_;
    run.fps = {uint32_t(HS_FPS_->value()), 1};
    run.tempFrame = TempFramePath(workFolder());
    RunHooks hooks;
    hooks.choose = [this](const std::vector<AviCompressor>& list, uint32_t flags, AVICOMPRESSOPTIONS& options) {
        auto chosen = dialogs().chooseCompressor(this, list, flags, options);
        if (chosen) options = *chosen;
        return chosen.has_value();
    };
    hooks.preparing = [this](const std::string& picture) {
        lbl_S_->setText(QString::fromStdString(picture));
        lbl_S_->repaint();
        letEventsRun();
    };

    // Nothing else starts while the run lets events through.
    running_ = true;
    SetButtonsState(false, false);
    Cmd_Viewer_->setEnabled(false);
    drv1_->setEnabled(false);
    Dir1_->setEnabled(false);
    File1_->setEnabled(false);
    Combo_Kind_->setEnabled(false);
    RunResult result;
    {
        BusyCursor busy;
        try {
            result = WriteAviFromPictures(run, hooks);
        } catch (const RuntimeError& e) {
            result.outcome = Outcome::WriteFailed;
            result.reason = e.description();
        }
    }
    running_ = false;
    SetButtonsState(false, true);
    for (QWidget* w : std::initializer_list<QWidget*>{drv1_, Dir1_, File1_, Combo_Kind_}) w->setEnabled(true);

    const QString failed = QStringLiteral("Avi ﾌｧｲﾙの作成は失敗しました !!");
    const QString reason = QString::fromStdString(result.reason);
    switch (result.outcome) {
    case Outcome::Written:
        Cmd_Viewer_->setEnabled(true);
        if (result.padded(run))
            dialogs().message(this,
                              QStringLiteral("この圧縮形式は奇数の幅・高さを扱えないため、%1 × %2 に1ピクセル広げました。")
                                  .arg(result.storedWidth)
                                  .arg(result.storedHeight),
                              MsgIcon::Information);
        dialogs().message(this, QStringLiteral("Avi ﾌｧｲﾙを作成しました !!"), MsgIcon::Exclamation);
        break;
    case Outcome::Cancelled: break;
    case Outcome::PictureFailed:
        dialogs().message(this, QStringLiteral("画像ﾌｧｲﾙのﾛｰﾄﾞで失敗しました!") + "\r\n" + reason, MsgIcon::Exclamation);
        dialogs().message(this, failed, MsgIcon::Exclamation);
        break;
    case Outcome::NotOpened:
    case Outcome::WriteFailed: dialogs().message(this, failed + "\r\n" + reason, MsgIcon::Exclamation); break;
    }
}

void Nalo_BJ2A::play() {
    if (!lastAvi_.isEmpty()) runPlayer_(lastAvi_);
}

}  // namespace nalo
