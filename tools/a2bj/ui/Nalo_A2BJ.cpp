#include "tools/a2bj/ui/Nalo_A2BJ.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>

#include "codecs/FDIBPointer.h"
#include "controls/Command.h"
#include "controls/HoverButton.h"
#include "controls/OptionImage.h"
#include "platform/PictureIo.h"
#include "platform/VideoFileTypes.h"
#include "platform/ui/DibImage.h"
#include "shell/FileHelpers.h"
#include "shell/ProgramState.h"
#include "shell/Settings.h"
#include "shell/ui/OverwriteChoice.h"
#include "tools/a2bj/FrameExtraction.h"

namespace nalo {

namespace {

constexpr const char* Section = "A2BJ";
// The AVI file type, with the other video containers the layer reads.
QString aviFilter() { return QStringLiteral("AVIﾌｧｲﾙ (") + QString::fromStdString(VideoFilePatterns()) + ")"; }
constexpr int Slot = 2;
constexpr int PreviewSide = 81;

QString qs(const std::string& s) { return QString::fromStdString(s); }

QLineEdit* addEdit(const char* name, const QRect& geometry, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(geometry);
    return e;
}

}  // namespace

Nalo_A2BJ::Nalo_A2BJ(DialogService& dialogs)
    : ToolWindow(dialogs, Slot, QStringLiteral("AVI  -->  BMP"), QSize(560, 440)) {
    setObjectName("Nalo_A2BJ");
    Cmd_Avi_Get_ = new HoverButton(QStringLiteral("AVI ﾌｧｲﾙの選択"), this);
    Cmd_Avi_Get_->setObjectName("Cmd_Avi_Get");
    Cmd_Avi_Get_->setGeometry(12, 10, 140, 28);
    lbl_Fname_ = addLabel(QString(), QRect(160, 10, 388, 28), nullptr, true);
    lbl_Fname_->setObjectName("lbl_Fname");

    TiledPanel* p = addPanel(QRect(12, 46, 536, 382));
    p->setObjectName("Pic_C");
    addLabel(QStringLiteral("ﾌﾚｰﾑ"), QRect(10, 8, 60, 20), p);
    lbl_Flame_FT_ = addLabel(QString(), QRect(74, 8, 160, 20), p);
    lbl_Flame_FT_->setObjectName("lbl_Flame_FT");
    addLabel(QStringLiteral("ｻｲｽﾞ"), QRect(10, 30, 60, 20), p);
    lbl_Flame_Size_ = addLabel(QString(), QRect(74, 30, 160, 20), p);
    lbl_Flame_Size_->setObjectName("lbl_Flame_Size");
    HS_Frame_ = new QScrollBar(Qt::Horizontal, p);
    HS_Frame_->setObjectName("HS_Frame");
    HS_Frame_->setGeometry(10, 56, 300, 18);
    HS_Frame_->setRange(0, 0);
    Frame_Cnt_ = addLabel(QString(), QRect(316, 56, 70, 18), p);
    Frame_Cnt_->setObjectName("Frame_Cnt");
    Cmd_Pic_View_ = new HoverButton(QStringLiteral("ﾌﾚｰﾑのﾌﾟﾚﾋﾟｭｰ"), p);
    Cmd_Pic_View_->setObjectName("Cmd_Pic_View");
    Cmd_Pic_View_->setGeometry(10, 80, 140, 28);
    Pic_Pre_ = new QLabel(p);
    Pic_Pre_->setObjectName("Pic_Pre");
    Pic_Pre_->setGeometry(420, 8, PreviewSide, PreviewSide);
    lbl_Pic_Size_ = addLabel(QString(), QRect(420, 92, 100, 20), p);
    lbl_Pic_Size_->setObjectName("lbl_Pic_Size");

    addLabel(QStringLiteral("ﾌﾚｰﾑ番号を指定して保存 (From～To)"), QRect(10, 118, 300, 18), p);
    Flame_From_ = addEdit("Flame_From", QRect(10, 138, 64, 22), p);
    addLabel(QStringLiteral("～"), QRect(78, 138, 16, 22), p);
    Flame_To_ = addEdit("Flame_To", QRect(96, 138, 64, 22), p);
    addLabel(QStringLiteral("ﾌﾚｰﾑを"), QRect(176, 138, 50, 22), p);
    Flame_Skip_ = addEdit("Flame_Skip", QRect(228, 138, 40, 22), p);
    addLabel(QStringLiteral("枚おきに保存"), QRect(272, 138, 90, 22), p);
    addLabel(QStringLiteral("ﾌｧｲﾙ名"), QRect(10, 170, 50, 22), p);
    Pic_File_ = addEdit("Pic_File", QRect(62, 170, 140, 22), p);
    addLabel(QStringLiteral(" + ﾌﾚｰﾑ番号"), QRect(206, 170, 100, 22), p);
    addLabel(QStringLiteral("保存先のﾌｫﾙﾀﾞ..."), QRect(10, 198, 200, 18), p);
    Txt_Folder_ = addEdit("Txt_Folder", QRect(10, 218, 300, 22), p);
    Txt_Folder_->setReadOnly(true);
    Cmd_Folder_ = addCommand(QStringLiteral("..."), QRect(314, 218, 30, 22), p, "Cmd_Folder");

    addLabel(QStringLiteral("同一ﾌｧｲﾙ名が存在したとき"), QRect(10, 248, 200, 18), p);
    Img_Dup_ = new OverwriteChoice(p, QPoint(10, 272), 90);
    addLabel(QStringLiteral("保存画像の大きさ (幅 * 高さ)"), QRect(10, 296, 220, 18), p);
    Img_Size_ = new OptionImage(OptionImage::Look::Check, p);
    Img_Size_->setObjectName("Img_Size");
    Img_Size_->setGeometry(10, 320, 14, 14);
    auto* lblSize = new ClickLabel(QStringLiteral("変更"), p);
    lblSize->setObjectName("lbl_Size");
    lblSize->setGeometry(28, 316, 36, 22);
    Pic_Width_ = addEdit("Pic_Width", QRect(68, 316, 50, 22), p);
    addLabel(QStringLiteral("*"), QRect(122, 316, 10, 22), p);
    Pic_Height_ = addEdit("Pic_Height", QRect(134, 316, 50, 22), p);
    addLabel(QStringLiteral("(ﾋﾟｸｾﾙ値)"), QRect(188, 316, 80, 22), p);
    Img_Png_ = addCaptionedOption(OptionImage::Look::Check, QStringLiteral("PNG"), "Png", QRect(272, 320, 14, 14),
                                  QRect(290, 316, 50, 22), p, [this] { togglePng(); })
                   .image;

    Cmd_File_ = addCommand(QStringLiteral("BMP ﾌｧｨﾙの作成"), QRect(10, 346, 140, 28), p, "Cmd_File");
    Cmd_Stop_ = addCommand(QStringLiteral("Stop"), QRect(156, 346, 70, 28), p, "Cmd_Stop");
    Cmd_Can_ = addCommand(QStringLiteral("Exit"), QRect(232, 346, 70, 28), p, "Cmd_Can");
    List1_ = new QListWidget(p);
    List1_->setObjectName("List1");
    List1_->setGeometry(360, 118, 166, 256);
    SetListExtent(List1_);

    connect(Cmd_Avi_Get_, &HoverButton::clicked, this, &Nalo_A2BJ::chooseAvi);
    connect(Cmd_Pic_View_, &HoverButton::clicked, this, &Nalo_A2BJ::previewFrame);
    connect(HS_Frame_, &QScrollBar::valueChanged, this, [this](int v) { Frame_Cnt_->setText(QString::number(v)); });
    connect(Cmd_Folder_, &Command::clicked, this, &Nalo_A2BJ::chooseFolder);
    connect(Img_Size_, &OptionImage::mouseDown, this, &Nalo_A2BJ::toggleSizeChange);
    connect(lblSize, &ClickLabel::mouseDown, this, &Nalo_A2BJ::toggleSizeChange);
    connect(Cmd_File_, &Command::clicked, this, &Nalo_A2BJ::createFiles);
    connect(Cmd_Stop_, &Command::clicked, this, &Nalo_A2BJ::stopRun);
    connect(Cmd_Can_, &Command::clicked, this, &Nalo_A2BJ::exitWithSave);
    connect(List1_, &QListWidget::itemClicked, this, &Nalo_A2BJ::previewListItem);

    SetButtonsState(true, true);
    acceptFileDrops(aviFilter(), [this](const QString& file, const QString&) { openAvi(file); });
    const IniDocument ini = IniDocument::read(IniPath());
    AviFolder = LoadFolderKey(ini, Section, "AVIﾌｫﾙﾀﾞ");
    outputFolder_ = LoadFolderKey(ini, Section, "保存先のﾌｫﾙﾀﾞ");
    Pic_File_->setText(qs(LoadTextKey(ini, Section, "保存ﾌｧｲﾙ名")));
    LoadNumberKey(ini, Section, "上書き", 0, OverwriteMode);
    int16_t png = 0;
    LoadNumberKey(ini, Section, "PNG保存", 0, png);
    png_ = png == 1;
    Img_Png_->setChecked(png_);
    setOverwriteMode(OverwriteMode);
    setSizeChange(false);
    Cmd_Pic_View_->setEnabled(false);
    Cmd_File_->setEnabled(false);  // until an AVI is chosen
    Cmd_Stop_->setEnabled(false);
}

void Nalo_A2BJ::saveSettings() {
    SaveFolderKey(Section, "AVIﾌｫﾙﾀﾞ", AviFolder);
    SaveFolderKey(Section, "保存先のﾌｫﾙﾀﾞ", outputFolder_);
    SaveTextKey(Section, "保存ﾌｧｲﾙ名", Pic_File_->text().toStdString());
    SaveNumberKey(Section, "上書き", OverwriteMode);
    SaveNumberKey(Section, "PNG保存", int16_t(png_ ? 1 : 0));
}

void Nalo_A2BJ::closeEvent(QCloseEvent* event) {
    // A run in progress ends after its current frame.
    running_ = false;
    closing_ = true;
    ToolWindow::closeEvent(event);
}

void Nalo_A2BJ::setOverwriteMode(int mode) { Img_Dup_->set(mode); }

void Nalo_A2BJ::setSizeChange(bool on) {
    SizeMode = on ? 1 : 0;
    Img_Size_->setChecked(on);
    Pic_Width_->setEnabled(on);
    Pic_Height_->setEnabled(on);
}

void Nalo_A2BJ::toggleSizeChange() { setSizeChange(SizeMode != 1); }

void Nalo_A2BJ::togglePng() {
    png_ = !png_;
    Img_Png_->setChecked(png_);
    if (!Txt_Folder_->text().isEmpty()) fillList();
}

bool Nalo_A2BJ::reopen(a2bj::AviFrameSource& source, const std::string& path) {
    const a2bj::AviOpen result = source.open(path);
    if (result == a2bj::AviOpen::Ok) return true;
    const std::string message = a2bj::openMessage(result, path);
    if (!message.empty()) dialogs().message(this, qs(message));
    return false;
}

void Nalo_A2BJ::chooseAvi() {
    FileDialogRequest request;
    request.title = QStringLiteral("ﾌｧｲﾙを開く");
    request.folder = qs(AviFolder);
    request.filter = aviFilter();
    const QString chosen = dialogs().openFile(this, request);
    if (!chosen.isEmpty()) openAvi(chosen);
}

void Nalo_A2BJ::openAvi(const QString& chosen) {
    const std::string path = chosen.toStdString();
    lbl_Fname_->setText(chosen);
    AviFolder = ParentPath(path);

    a2bj::AviFrameSource source;
    const a2bj::AviOpen result = source.open(path);
    if (result == a2bj::AviOpen::NoFrames) return;
    const a2bj::StreamFacts& f = source.facts();
    if (result != a2bj::AviOpen::Unreadable) {
        facts_ = f;
        lbl_Flame_FT_->setText(QStringLiteral("%1 ～ %2").arg(f.first).arg(f.last()));
        lbl_Flame_Size_->setText(QStringLiteral("%1 * %2").arg(f.width).arg(f.height));
        HS_Frame_->setRange(f.first, f.last());
        HS_Frame_->setValue(f.first);
        Frame_Cnt_->setText(QString::number(f.first));
    }
    if (result != a2bj::AviOpen::Ok) {
        // A rejected file leaves nothing to preview or extract.
        dialogs().message(this, qs(a2bj::openMessage(result, path)));
        lbl_Fname_->clear();
        Cmd_Pic_View_->setEnabled(false);
        Cmd_File_->setEnabled(false);
        return;
    }
    Cmd_Pic_View_->setEnabled(true);
    Flame_From_->setText(QString::number(f.first));
    Flame_To_->setText(QString::number(f.last()));
    Pic_Width_->setText(QString::number(f.width));
    Pic_Height_->setText(QString::number(f.height));
    Flame_Skip_->setText(QStringLiteral("1"));
    List1_->clear();
    Cmd_File_->setEnabled(!running_);
    setSizeChange(false);
}

void Nalo_A2BJ::showPreview(const Dib& picture) {
    const auto size = tgapcx::previewSize(picture.width(), picture.height(), PreviewSide);
    Dib small(size.width, size.height, 24);
    stretchBlt(small, 0, 0, size.width, size.height, picture, 0, 0, picture.width(), picture.height());
    Pic_Pre_->resize(size.width, size.height);
    Pic_Pre_->setPixmap(QPixmap::fromImage(toQImage(small)));
    lbl_Pic_Size_->setText(QStringLiteral("%1 * %2").arg(picture.width()).arg(picture.height()));
}

void Nalo_A2BJ::previewFrame() {
    const std::string path = lbl_Fname_->text().toStdString();
    a2bj::AviFrameSource source;
    if (!reopen(source, path)) return;
    FDIBPointer frame;
    const BITMAPINFOHEADER* packed = source.frame(HS_Frame_->value());
    if (!packed || !frame.CreateFromPackedDIBPointer(packed) || !a2bj::frameToPicture(frame, framePicture_)) {
        dialogs().message(this, qs(a2bj::openMessage(a2bj::AviOpen::Unreadable, path)));
        return;
    }
    showPreview(framePicture_);
}

void Nalo_A2BJ::previewListItem() {
    QListWidgetItem* item = List1_->currentItem();
    if (!item) return;
    try {
        showPreview(loadPicture(AddBackslash(Txt_Folder_->text().toStdString()) + item->text().toStdString()));
    } catch (const RuntimeError&) {
        // A file that cannot be read keeps the preview as it was.
    }
}

void Nalo_A2BJ::fillList() {
    List1_->clear();
    ListingHooks hooks;
    hooks.letEventsRun = [] { letEventsRun(); };
    bool reported = false;
    hooks.onError = [this, &reported](const RuntimeError& e) {
        if (!reported) dialogs().message(this, qs(e.description()));
        reported = true;
    };
    for (const auto& path : ListFolder(Txt_Folder_->text().toStdString(), png_ ? "*.png" : "*.bmp", hooks))
        List1_->addItem(qs(FileNameOf(path)));
}

void Nalo_A2BJ::chooseFolder() {
    const QString chosen = dialogs().browseFolder(this, qs(outputFolder_));
    if (chosen.isEmpty()) return;
    Txt_Folder_->setText(chosen);
    outputFolder_ = chosen.toStdString();
    fillList();
}

void Nalo_A2BJ::createFiles() {
    if (running_) return;
    a2bj::InputTexts texts{Flame_From_->text().toStdString(), Flame_To_->text().toStdString(),
                           Flame_Skip_->text().toStdString(), Txt_Folder_->text().toStdString(),
                           SizeMode == 1, Pic_Width_->text().toStdString(), Pic_Height_->text().toStdString()};
    a2bj::Inputs inputs;
    if (const auto error = a2bj::checkInputs(texts, inputs)) {
        dialogs().message(this, qs(*error));
        return;
    }
    if (inputs.everyWasZero) Flame_Skip_->setText(QStringLiteral("1"));
    const std::string base = Pic_File_->text().toStdString();
    a2bj::Plan plan = a2bj::planFor(facts_, inputs, texts.folder, base, OverwriteMode);
    const QString question = QString::number(a2bj::frameCount(plan)) +
                             (png_ ? QStringLiteral(" 枚のPNGﾌｧｲﾙを作成しますか?") : QStringLiteral(" 枚のBMPﾌｧｲﾙを作成しますか?"));
    if (dialogs().message(this, question, MsgIcon::Question, MsgButtons::YesNo, QStringLiteral("Nalo")) != MsgResult::Yes)
        return;
    const std::string path = lbl_Fname_->text().toStdString();
    a2bj::AviFrameSource source;
    if (!reopen(source, path)) return;
    plan = a2bj::planFor(source.facts(), inputs, texts.folder, base, OverwriteMode);
    plan.png = png_;

    Cmd_Stop_->setEnabled(true);
    Cmd_File_->setEnabled(false);
    running_ = true;
    const auto result = a2bj::extractFrames(source, plan, [this](const a2bj::FileResult& r) {
        if (r.outcome == a2bj::Outcome::Written) List1_->addItem(qs(FileNameOf(r.output)));
        List1_->update();
        letEventsRun();
        return running_;
    });
    running_ = false;
    Cmd_Stop_->setEnabled(false);
    Cmd_File_->setEnabled(true);
    if (closing_) return;
    fillList();
    dialogs().message(this, qs(a2bj::completionMessage(result)));
}

}  // namespace nalo
