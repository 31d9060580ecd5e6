#include "tools/g2g/ui/Nalo_G2G.h"

#include <QListWidget>
#include <QPointer>

#include "controls/Command.h"
#include "controls/HoverButton.h"
#include "controls/OptionImage.h"
#include "platform/PictureIo.h"
#include "platform/ui/DibImage.h"
#include "shell/FileHelpers.h"
#include "shell/Settings.h"
#include "tools/g2g/G2GRules.h"
#include "tools/g2g/ui/Nalo_Gif.h"

namespace nalo {

namespace {

constexpr const char* Section = "G2G";
constexpr const char* GifFilter = "ｱﾆﾒｰｼｮﾝGifﾌｧｲﾙ (gif) (*.gif)";
constexpr int Slot = 4;

// Shows the file's (first) picture fitted into 90 x 90; a file that does not load leaves the box hidden.
void showFitted(QLabel* box, const QString& file) {
    box->hide();
    try {
        const Dib picture = loadPicture(file.toStdString());
        const g2g::PreviewSize fit = g2g::FitPreview(picture.width(), picture.height());
        Dib fitted(fit.width, fit.height, 24);
        stretchBlt(fitted, 0, 0, fit.width, fit.height, picture, 0, 0, picture.width(), picture.height());
        box->resize(fit.width, fit.height);
        box->setPixmap(QPixmap::fromImage(toQImage(fitted)));
        box->show();
    } catch (const RuntimeError&) {
    }
}

}  // namespace

Nalo_G2G::Nalo_G2G(DialogService& dialogs)
    : ToolWindow(dialogs, Slot, QStringLiteral("ｱﾆﾒGIF  -->  BMP、GIF"), QSize(436, 316)),
      runModal_([](QDialog& d) { d.exec(); }) {
    setObjectName("Nalo_G2G");
    Cmd_2_[0] = new HoverButton(QStringLiteral("ｱﾆﾒGIFﾌｧｲﾙの選択"), this);
    Cmd_2_[0]->setGeometry(12, 10, 190, 30);
    addLabel(QStringLiteral("ｱﾆﾒGIFﾌｧｲﾙの選択..."), QRect(210, 16, 200, 18), nullptr, true);
    lbl_Ani_Path_ = addLabel(QString(), QRect(12, 46, 412, 18), nullptr, true);
    lbl_Ani_Path_->setObjectName("lbl_Ani_Path");

    TiledPanel* top = addPanel(QRect(12, 70, 412, 110));
    Pic_Ani_Gif_ = new QLabel(top);
    Pic_Ani_Gif_->setObjectName("Pic_Ani_Gif");
    Pic_Ani_Gif_->setGeometry(10, 10, 90, 90);
    Pic_Ani_Gif_->hide();
    Cmd_2_[1] = new HoverButton(QStringLiteral("ｱﾆﾒGIF再生"), top);
    Cmd_2_[1]->setGeometry(112, 10, 120, 30);
    addLabel(QStringLiteral("保存ﾌｧｲﾙ"), QRect(250, 10, 150, 18), top);
    const char* kinds[3] = {"bmp", "gif", "png"};
    for (int i = 0; i < 3; ++i)
        Img_File_[i] = addCaptionedOption(OptionImage::Look::Option, QString::fromUtf8(kinds[i]),
                                          QString("File_%1").arg(i), QRect(254 + i * 50, 36, 14, 14),
                                          QRect(272 + i * 50, 32, 34, 22), top, [this, i] { chooseKind(int16_t(i)); })
                           .image;
    Img_Trans_ = addCaptionedOption(OptionImage::Look::Check, QStringLiteral("(     透過処理 )"), "Trans",
                                    QRect(254, 66, 14, 14), QRect(272, 62, 130, 22), top,
                                    [this] { toggleTransparency(); })
                     .image;
    Cmd_1_[0] = addCommand(QStringLiteral("ﾌﾚｰﾑ分割"), QRect(112, 70, 120, 30), top);
    Cmd_1_[1] = addCommand(QStringLiteral("Exit"), QRect(324, 274, 100, 30));
    for (int i = 0; i < 2; ++i) {
        Cmd_2_[i]->setObjectName(QString("Cmd_2_%1").arg(i));
        Cmd_1_[i]->setObjectName(QString("Cmd_1_%1").arg(i));
    }

    lstFiles_ = new QListWidget(this);
    lstFiles_->setObjectName("lstFiles");
    lstFiles_->setGeometry(12, 188, 300, 116);
    SetListExtent(lstFiles_);
    TiledPanel* framePanel = addPanel(QRect(324, 176, 100, 100));
    Pic_Gif_ = new QLabel(framePanel);
    Pic_Gif_->setObjectName("Pic_Gif");
    Pic_Gif_->setGeometry(5, 5, 90, 90);

    connect(Cmd_2_[0], &HoverButton::clicked, this, &Nalo_G2G::chooseFile);
    connect(Cmd_2_[1], &HoverButton::clicked, this, &Nalo_G2G::play);
    connect(Cmd_1_[0], &Command::clicked, this, &Nalo_G2G::split);
    connect(Cmd_1_[1], &Command::clicked, this, &Nalo_G2G::exitWithSave);
    connect(lstFiles_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { showFrameFile(lstFiles_->row(item)); });

    SetButtonsState(true, true);
    acceptFileDrops(QString::fromUtf8(GifFilter), [this](const QString& file, const QString&) { openGif(file); });
    const IniDocument ini = IniDocument::read(IniPath());
    gifFolder_ = QString::fromStdString(LoadFolderKey(ini, Section, "ｱﾆﾒGIFﾌｫﾙﾀﾞ"));
    LoadNumberKey(ini, Section, "BMPGIF区分", 0, shared_.FrameFileKind);
    LoadNumberKey(ini, Section, "透過処理", 0, transparency_);
    if (shared_.FrameFileKind < 0 || shared_.FrameFileKind > 2) shared_.FrameFileKind = 0;
    transparency_ = transparency_ != 0 ? 1 : 0;
    showOptions();
    // Nothing to play or split before a file is chosen.
    Cmd_2_[1]->setEnabled(false);
    Cmd_1_[0]->setEnabled(false);
}

void Nalo_G2G::saveSettings() {
    SaveFolderKey(Section, "ｱﾆﾒGIFﾌｫﾙﾀﾞ", gifFolder_.toStdString());
    SaveNumberKey(Section, "BMPGIF区分", shared_.FrameFileKind);
    SaveNumberKey(Section, "透過処理", transparency_);
}

void Nalo_G2G::showOptions() {
    for (int i = 0; i < 3; ++i) Img_File_[i]->setChecked(i == shared_.FrameFileKind);
    Img_Trans_->setChecked(transparency_ == 1);
}

void Nalo_G2G::chooseKind(int16_t kind) {
    shared_.FrameFileKind = kind;
    showOptions();
}

void Nalo_G2G::toggleTransparency() {
    transparency_ = int16_t(1 - transparency_);
    showOptions();
}

void Nalo_G2G::chooseFile() {
    lstFiles_->clear();
    FileDialogRequest request;
    request.title = QStringLiteral("ｱﾆﾒｰｼｮﾝ Gifﾌｧｲﾙを選択");
    request.folder = gifFolder_;
    request.filter = QString::fromUtf8(GifFilter);
    const QString path = dialogs().openFile(this, request);
    if (!path.isEmpty()) openGif(path);
}

void Nalo_G2G::openGif(const QString& path) {
    lstFiles_->clear();
    lbl_Ani_Path_->setText(path);
    showFitted(Pic_Ani_Gif_, path);
    gifFolder_ = QString::fromStdString(ParentPath(path.toStdString()));
    shared_.FrameFileBase = g2g::FrameFileBaseOf(path.toStdString());
    Cmd_2_[1]->setEnabled(true);
    Cmd_1_[0]->setEnabled(true);
}

void Nalo_G2G::play() { runPreview(0); }

void Nalo_G2G::split() {
    shared_.FrameTransparency = transparency_ != 0;
    lstFiles_->clear();
    runPreview(1);
    Pic_Gif_->clear();
    Pic_Gif_->resize(90, 90);
}

void Nalo_G2G::runPreview(int16_t splitMode) {
    if (lbl_Ani_Path_->text().isEmpty()) return;
    shared_.SplitMode = splitMode;
    shared_.GifPath = lbl_Ani_Path_->text().toStdString();
    QPointer<QListWidget> list(lstFiles_);
    auto* preview = new Nalo_Gif(dialogs(), shared_, [list](const QString& name) {
        if (list) list->addItem(name);
    }, this);
    // The window may be closed while the preview runs; the preview goes with it then.
    QPointer<QDialog> guard(preview);
    runModal_(*preview);
    delete guard.data();
}

void Nalo_G2G::showFrameFile(int row) {
    if (row < 0 || row >= lstFiles_->count()) return;
    showFitted(Pic_Gif_, lstFiles_->item(row)->text());
}

}  // namespace nalo
