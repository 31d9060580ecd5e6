#include "tools/b2j/ui/Nalo_B2J.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>

#include "controls/Command.h"
#include "controls/OptionImage.h"
#include "platform/PictureIo.h"
#include "shell/ProgramState.h"
#include "shell/Settings.h"
#include "tools/b2j/ComponentJpegEncoder.h"

namespace nalo {

namespace {
constexpr const char* Section = "B2J";
constexpr int Slot = 8;
}  // namespace

Nalo_B2J::Nalo_B2J(DialogService& dialogs, b2j::JpegEncoder encode)
    : FolderConverterWindow(dialogs, Slot, QStringLiteral("BMP  --> JPG"),
                            {"List_BMP", "List_JPG", QStringLiteral("BMPを含むﾌｫﾙﾀﾞの選択")}),
      encode_(encode ? std::move(encode) : b2j::componentJpegEncoder()) {
    setObjectName("Nalo_B2J");
    lbl_Get()->setText(QStringLiteral("BMPﾌｧｲﾙ"));
    lbl_Put()->setText(QStringLiteral("JPGﾌｧｲﾙ"));
    QWidget* p = panel();

    addLabel(QStringLiteral("保存画像のｻｲｽﾞ"), QRect(372, 68, 160, 18), p);
    const char* sizeCaptions[2] = {"BMPと同じ", "指定(ﾋﾟｸｾﾙ)"};
    for (int i = 0; i < 2; ++i) {
        Img_Size_[i] = new OptionImage(OptionImage::Look::Option, p);
        Img_Size_[i]->setObjectName(QString("Img_Size_%1").arg(i));
        Img_Size_[i]->setGeometry(372, 92 + i * 22, 14, 14);
        auto* l = new ClickLabel(QString::fromUtf8(sizeCaptions[i]), p);
        l->setObjectName(QString("lbl_Size_%1").arg(i));
        l->setGeometry(390, 88 + i * 22, 140, 22);
        connect(Img_Size_[i], &OptionImage::mouseDown, this, [this, i] { setSizeMode(i); });
        connect(l, &ClickLabel::mouseDown, this, [this, i] { setSizeMode(i); });
    }
    addLabel(QStringLiteral("幅"), QRect(372, 138, 20, 22), p);
    Pic_Width_ = new QLineEdit(p);
    Pic_Width_->setObjectName("Pic_Width");
    Pic_Width_->setGeometry(392, 138, 50, 22);
    addLabel(QStringLiteral("(-->高)"), QRect(444, 138, 40, 22), p);
    addLabel(QStringLiteral("高さ"), QRect(372, 164, 30, 22), p);
    Pic_Height_ = new QLineEdit(p);
    Pic_Height_->setObjectName("Pic_Height");
    Pic_Height_->setGeometry(404, 164, 50, 22);

    addLabel(QStringLiteral("圧縮率"), QRect(372, 194, 60, 18), p);
    HS_Press_ = new QSlider(Qt::Horizontal, p);
    HS_Press_->setObjectName("HS_Press");
    HS_Press_->setGeometry(372, 212, 120, 22);
    HS_Press_->setRange(40, 100);
    HS_Press_->setInvertedAppearance(true);  // left end 100, right end 40
    HS_Press_->setValue(100);
    lbl_Press_ = addLabel(QString(), QRect(498, 212, 36, 22), p);
    lbl_Press_->setObjectName("lbl_Press");

    connect(Cmd_Henkan(), &Command::clicked, this, &Nalo_B2J::convert);
    connect(HS_Press_, &QSlider::valueChanged, this, [this](int v) {
        compressionValue_ = static_cast<int16_t>(v);
        lbl_Press_->setText(QString::number(120 - v));
    });

    SetButtonsState(true, true);
    const IniDocument ini = IniDocument::read(IniPath());
    PictureFolder = LoadFolderKey(ini, Section, "BMPﾌｫﾙﾀﾞ");
    LoadNumberKey(ini, Section, "圧縮率", 0, compressionValue_);
    LoadNumberKey(ini, Section, "上書き", 0, OverwriteMode);
    SizeMode = 0;
    setSizeMode(0);
    setOverwriteMode(OverwriteMode);
    // A stored value outside 40..100 leaves the slider where it is.
    if (compressionValue_ >= 40 && compressionValue_ <= 100) HS_Press_->setValue(compressionValue_);
    lbl_Press_->setText(QString::number(120 - HS_Press_->value()));
    clearLists();
}

std::string& Nalo_B2J::folder() { return PictureFolder; }

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

bool Nalo_B2J::loadForPreview(const std::string& path, bool, Dib& picture) {
    picture = loadPicture(path);
    return true;
}

void Nalo_B2J::convert() {
    const auto files = selectedSources();
    if (files.empty()) {
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
    const auto summary = b2j::convertFiles(files, options, encode_, [this](const b2j::FileResult& r) {
        if (r.outputIsNew) addOutput(r.output);
        letEventsRun();
    });
    dialogs().message(this, QString::fromStdString(tgapcx::summaryMessage(summary)));
}

}  // namespace nalo
