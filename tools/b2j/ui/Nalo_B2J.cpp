#include "tools/b2j/ui/Nalo_B2J.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>

#include "controls/Command.h"
#include "controls/HoverButton.h"
#include "controls/OptionImage.h"
#include "platform/PictureIo.h"
#include "platform/ui/DibImage.h"
#include "shell/FileHelpers.h"
#include "shell/ProgramState.h"
#include "shell/Settings.h"
#include "tools/b2j/ComponentJpegEncoder.h"

namespace nalo {

namespace {

constexpr const char* Section = "B2J";
constexpr int Slot = 8;

QListWidget* makeList(QWidget* parent, const QRect& r, bool multi, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setGeometry(r);
    list->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    return list;
}

}  // namespace

Nalo_B2J::Nalo_B2J(DialogService& dialogs, b2j::JpegEncoder encode)
    : ToolWindow(dialogs, Slot, QStringLiteral("BMP  --> JPG"), QSize(560, 420)),
      encode_(encode ? std::move(encode) : b2j::componentJpegEncoder()) {
    setObjectName("Nalo_B2J");
    TiledPanel* panel = addPanel(QRect(10, 10, 540, 400));
    panel->setObjectName("Pic_1");

    auto* folderButton = new HoverButton(QStringLiteral("BMPを含むﾌｫﾙﾀﾞの選択"), panel);
    folderButton->setObjectName("Cmd_Folder");
    folderButton->setGeometry(10, 10, 190, 30);
    addLabel(QStringLiteral("ﾌｫﾙﾀﾞ指定..."), QRect(210, 10, 100, 30), panel);
    Folder_Path_ = addLabel(QString(), QRect(10, 44, 520, 20), panel);
    Folder_Path_->setObjectName("Folder_Path");

    addLabel(QStringLiteral("BMPﾌｧｲﾙ"), QRect(10, 68, 170, 18), panel);
    List_BMP_ = makeList(panel, QRect(10, 86, 170, 220), true, "List_BMP");
    addLabel(QStringLiteral("JPGﾌｧｲﾙ"), QRect(190, 68, 170, 18), panel);
    List_JPG_ = makeList(panel, QRect(190, 86, 170, 220), false, "List_JPG");
    SetListExtent(List_BMP_);
    SetListExtent(List_JPG_);

    Cmd_AllSel_ = addCommand(QStringLiteral("全て選択"), QRect(10, 314, 84, 28), panel);
    Cmd_AllSel_->setObjectName("Cmd_AllSel");
    Cmd_AllReset_ = addCommand(QStringLiteral("全て解除"), QRect(96, 314, 84, 28), panel);
    Cmd_AllReset_->setObjectName("Cmd_AllReset");
    Cmd_Henkan_ = addCommand(QStringLiteral("変換"), QRect(190, 314, 84, 28), panel);
    Cmd_Henkan_->setObjectName("Cmd_Henkan");
    auto* exit = addCommand(QStringLiteral("Exit"), QRect(276, 314, 84, 28), panel);
    exit->setObjectName("Cmd_Can");

    addLabel(QStringLiteral("保存画像のｻｲｽﾞ"), QRect(372, 68, 160, 18), panel);
    const char* sizeCaptions[2] = {"BMPと同じ", "指定(ﾋﾟｸｾﾙ)"};
    for (int i = 0; i < 2; ++i) {
        Img_Size_[i] = new OptionImage(OptionImage::Look::Option, panel);
        Img_Size_[i]->setObjectName(QString("Img_Size_%1").arg(i));
        Img_Size_[i]->setGeometry(372, 92 + i * 22, 14, 14);
        auto* l = new ClickLabel(QString::fromUtf8(sizeCaptions[i]), panel);
        l->setObjectName(QString("lbl_Size_%1").arg(i));
        l->setGeometry(390, 88 + i * 22, 140, 22);
        connect(Img_Size_[i], &OptionImage::mouseDown, this, [this, i] { setSizeMode(i); });
        connect(l, &ClickLabel::mouseDown, this, [this, i] { setSizeMode(i); });
    }
    addLabel(QStringLiteral("幅"), QRect(372, 138, 20, 22), panel);
    Pic_Width_ = new QLineEdit(panel);
    Pic_Width_->setObjectName("Pic_Width");
    Pic_Width_->setGeometry(392, 138, 50, 22);
    addLabel(QStringLiteral("(-->高)"), QRect(444, 138, 40, 22), panel);
    addLabel(QStringLiteral("高さ"), QRect(372, 164, 30, 22), panel);
    Pic_Height_ = new QLineEdit(panel);
    Pic_Height_->setObjectName("Pic_Height");
    Pic_Height_->setGeometry(404, 164, 50, 22);

    addLabel(QStringLiteral("圧縮率"), QRect(372, 194, 60, 18), panel);
    HS_Press_ = new QSlider(Qt::Horizontal, panel);
    HS_Press_->setObjectName("HS_Press");
    HS_Press_->setGeometry(372, 212, 120, 22);
    HS_Press_->setRange(40, 100);
    HS_Press_->setInvertedAppearance(true);  // left end 100, right end 40
    HS_Press_->setValue(100);
    lbl_Press_ = addLabel(QString(), QRect(498, 212, 36, 22), panel);
    lbl_Press_->setObjectName("lbl_Press");

    addLabel(QStringLiteral("同一ﾌｧｲﾙ名"), QRect(372, 242, 160, 18), panel);
    const char* dupCaptions[2] = {"上書き", "ｽｷｯﾌﾟ"};
    for (int i = 0; i < 2; ++i) {
        Img_Dup_[i] = new OptionImage(OptionImage::Look::Option, panel);
        Img_Dup_[i]->setObjectName(QString("Img_Dup_%1").arg(i));
        Img_Dup_[i]->setGeometry(372 + i * 80, 266, 14, 14);
        auto* l = new ClickLabel(QString::fromUtf8(dupCaptions[i]), panel);
        l->setObjectName(QString("lbl_Dup_%1").arg(i));
        l->setGeometry(390 + i * 80, 262, 60, 22);
        connect(Img_Dup_[i], &OptionImage::mouseDown, this, [this, i] { setOverwriteMode(i); });
        connect(l, &ClickLabel::mouseDown, this, [this, i] { setOverwriteMode(i); });
    }

    addLabel(QStringLiteral("ﾌﾟﾚﾋﾞｭｰ"), QRect(372, 290, 100, 18), panel);
    Pic_K_ = new QLabel(panel);
    Pic_K_->setObjectName("Pic_K");
    Pic_K_->setGeometry(372, 308, 100, 100);
    Pic_K_->hide();
    lbl_PreSize_ = addLabel(QString(), QRect(476, 308, 60, 40), panel);
    lbl_PreSize_->setObjectName("lbl_PreSize");
    lbl_PreSize_->setWordWrap(true);

    connect(folderButton, &HoverButton::clicked, this, &Nalo_B2J::chooseFolder);
    connect(Cmd_AllSel_, &Command::clicked, this, [this] { selectAll(true); });
    connect(Cmd_AllReset_, &Command::clicked, this, [this] { selectAll(false); });
    connect(Cmd_Henkan_, &Command::clicked, this, &Nalo_B2J::convert);
    connect(exit, &Command::clicked, this, &Nalo_B2J::exitWithSave);
    connect(List_BMP_, &QListWidget::currentRowChanged, this, [this] { preview(List_BMP_); });
    connect(List_BMP_, &QListWidget::itemClicked, this, [this] { preview(List_BMP_); });
    connect(List_JPG_, &QListWidget::itemClicked, this, [this] { preview(List_JPG_); });
    connect(HS_Press_, &QSlider::valueChanged, this, [this](int v) {
        compressionValue_ = static_cast<int16_t>(v);
        lbl_Press_->setText(QString::number(120 - v));
    });

    SetButtonsState(true, true);
    PictureFolder = LoadFolderKey(Section, "BMPﾌｫﾙﾀﾞ");
    LoadNumberKey(Section, "圧縮率", 0, compressionValue_);
    LoadNumberKey(Section, "上書き", 0, OverwriteMode);
    SizeMode = 0;
    setSizeMode(0);
    setOverwriteMode(OverwriteMode);
    // A stored value outside 40..100 leaves the slider where it is.
    if (compressionValue_ >= 40 && compressionValue_ <= 100) {
        const int16_t keep = compressionValue_;
        HS_Press_->setValue(keep);
        compressionValue_ = keep;
    }
    lbl_Press_->setText(QString::number(120 - HS_Press_->value()));
    for (Command* c : {Cmd_AllSel_, Cmd_AllReset_, Cmd_Henkan_}) c->setEnabled(false);
}

void Nalo_B2J::saveSettings() {
    SaveFolderKey(Section, "BMPﾌｫﾙﾀﾞ", PictureFolder);
    SaveNumberKey(Section, "圧縮率", compressionValue_);
    SaveNumberKey(Section, "上書き", OverwriteMode);
}

void Nalo_B2J::setSizeMode(int mode) {
    SizeMode = static_cast<int16_t>(mode);
    for (int i = 0; i < 2; ++i) Img_Size_[i]->setChecked(i == mode);
    Pic_Width_->setEnabled(mode == 1);
    Pic_Height_->setEnabled(mode == 1);
}

void Nalo_B2J::setOverwriteMode(int mode) {
    OverwriteMode = static_cast<int16_t>(mode);
    for (int i = 0; i < 2; ++i) Img_Dup_[i]->setChecked(i == mode);
}

void Nalo_B2J::fillLists() {
    List_BMP_->clear();
    List_JPG_->clear();
    for (const auto& p : ListFolder(PictureFolder, "*.bmp")) List_BMP_->addItem(QString::fromStdString(FileNameOf(p)));
    const bool any = List_BMP_->count() > 0;
    if (any) List_BMP_->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    for (Command* c : {Cmd_AllSel_, Cmd_AllReset_, Cmd_Henkan_}) c->setEnabled(any);
    for (const auto& p : ListFolder(PictureFolder, "*.jpg")) List_JPG_->addItem(QString::fromStdString(FileNameOf(p)));
}

void Nalo_B2J::chooseFolder() {
    const QString folder = dialogs().browseFolder(this, QString::fromStdString(PictureFolder));
    if (folder.isEmpty()) return;
    Folder_Path_->setText(folder);
    PictureFolder = folder.toStdString();
    fillLists();
}

void Nalo_B2J::selectAll(bool on) {
    for (int i = 0; i < List_BMP_->count(); ++i) List_BMP_->item(i)->setSelected(on);
    if (List_BMP_->count() > 0) {
        List_BMP_->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        preview(List_BMP_);
    }
}

void Nalo_B2J::preview(QListWidget* list) {
    QListWidgetItem* item = list->currentItem();
    if (!item) return;
    BusyCursor busy;
    Pic_K_->hide();
    try {
        const Dib picture = loadPicture(PictureFolder + "/" + item->text().toStdString());
        lbl_PreSize_->setText(QString("%1 * %2").arg(picture.width()).arg(picture.height()));
        const auto size = tgapcx::previewSize(picture.width(), picture.height());
        Dib fitted(size.width, size.height, 24);
        stretchBlt(fitted, 0, 0, size.width, size.height, picture, 0, 0, picture.width(), picture.height());
        Pic_K_->resize(size.width, size.height);
        Pic_K_->setPixmap(QPixmap::fromImage(toQImage(fitted)));
        Pic_K_->show();
    } catch (const RuntimeError&) {
        // A picture that cannot be previewed leaves the preview hidden.
    }
}

void Nalo_B2J::convert() {
    if (List_BMP_->selectedItems().isEmpty()) {
        dialogs().message(this, QStringLiteral("画像が選択されていません！"));
        return;
    }
    b2j::Options options;
    options.quality = HS_Press_->value();
    options.sizeMode = SizeMode;
    options.overwriteMode = OverwriteMode;
    if (SizeMode == 1 &&
        !b2j::parseSize(Pic_Width_->text().trimmed().toStdString(), Pic_Height_->text().trimmed().toStdString(),
                        options.width, options.height)) {
        dialogs().message(this, QStringLiteral("Error 画像ｻｲｽﾞの指定"));
        return;
    }
    std::vector<std::string> files;
    for (int i = 0; i < List_BMP_->count(); ++i)
        if (List_BMP_->item(i)->isSelected()) files.push_back(PictureFolder + "/" + List_BMP_->item(i)->text().toStdString());
    const auto summary = b2j::convertFiles(files, options, encode_, [this](const b2j::FileResult& r) {
        if (r.outputIsNew) List_JPG_->addItem(QString::fromStdString(FileNameOf(r.output)));
        letEventsRun();
    });
    dialogs().message(this, QString::fromStdString(tgapcx::summaryMessage(summary)));
}

}  // namespace nalo
