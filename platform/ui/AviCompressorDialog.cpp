#include "platform/ui/AviCompressorDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <algorithm>

namespace nalo {

AviCompressorDialog::AviCompressorDialog(QWidget* parent, std::vector<AviCompressor> compressors, uint32_t flags,
                                         const AVICOMPRESSOPTIONS& initial)
    : QDialog(parent), compressors_(std::move(compressors)), flags_(flags), initial_(initial) {
    setObjectName("AviCompressorDialog");
    setWindowTitle(QStringLiteral("ビデオの圧縮"));
    auto* grid = new QGridLayout(this);
    compressor_ = new QComboBox(this);
    compressor_->setObjectName("Compressor");
    int current = 0;
    for (size_t i = 0; i < compressors_.size(); ++i) {
        compressor_->addItem(QString::fromStdString(compressors_[i].name));
        if (compressors_[i].fccHandler == initial.fccHandler) current = int(i);
    }
    grid->addWidget(new QLabel(QStringLiteral("圧縮プログラム:"), this), 0, 0);
    grid->addWidget(compressor_, 0, 1, 1, 2);

    quality_ = new QSlider(Qt::Horizontal, this);
    quality_->setObjectName("Quality");
    quality_->setRange(0, 100);
    quality_->setValue(int(std::min<uint32_t>(initial.dwQuality, 10000) / 100));
    qualityValue_ = new QLabel(this);
    grid->addWidget(new QLabel(QStringLiteral("圧縮の品質:"), this), 1, 0);
    grid->addWidget(quality_, 1, 1);
    grid->addWidget(qualityValue_, 1, 2);

    keyFrames_ = new QCheckBox(QStringLiteral("キーフレーム"), this);
    keyFrames_->setObjectName("KeyFrames");
    keyFrames_->setChecked(initial.dwFlags & AVICOMPRESSF_KEYFRAMES);
    keyFrameEvery_ = new QSpinBox(this);
    keyFrameEvery_->setRange(1, 600);
    keyFrameEvery_->setValue(int(std::clamp<uint32_t>(initial.dwKeyFrameEvery, 1, 600)));
    keyFrameEvery_->setSuffix(QStringLiteral(" フレームごと"));
    grid->addWidget(keyFrames_, 2, 0);
    grid->addWidget(keyFrameEvery_, 2, 1);

    dataRate_ = new QCheckBox(QStringLiteral("データレート"), this);
    dataRate_->setObjectName("DataRate");
    dataRate_->setChecked(initial.dwFlags & AVICOMPRESSF_DATARATE);
    kilobytesPerSecond_ = new QSpinBox(this);
    kilobytesPerSecond_->setRange(1, 1000000);
    kilobytesPerSecond_->setValue(int(std::max<uint32_t>(initial.dwBytesPerSecond / 1024, 300)));
    kilobytesPerSecond_->setSuffix(QStringLiteral(" KB/秒"));
    grid->addWidget(dataRate_, 3, 0);
    grid->addWidget(kilobytesPerSecond_, 3, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    grid->addWidget(buttons, 4, 0, 1, 3);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(quality_, &QSlider::valueChanged, this, [this](int v) { qualityValue_->setText(QString::number(v)); });
    connect(compressor_, &QComboBox::currentIndexChanged, this, [this] { showCompressor(); });
    connect(keyFrames_, &QCheckBox::toggled, this, [this] { showCompressor(); });
    connect(dataRate_, &QCheckBox::toggled, this, [this] { showCompressor(); });
    compressor_->setCurrentIndex(current);
    qualityValue_->setText(QString::number(quality_->value()));
    showCompressor();
}

void AviCompressorDialog::showCompressor() {
    const int i = compressor_->currentIndex();
    const AviCompressor none;
    const AviCompressor& c = i >= 0 && size_t(i) < compressors_.size() ? compressors_[size_t(i)] : none;
    const bool keyFrames = c.takesKeyFrames && (flags_ & ICMF_CHOOSE_KEYFRAME);
    const bool dataRate = c.takesDataRate && (flags_ & ICMF_CHOOSE_DATARATE);
    keyFrames_->setEnabled(keyFrames);
    keyFrameEvery_->setEnabled(keyFrames && keyFrames_->isChecked());
    dataRate_->setEnabled(dataRate);
    kilobytesPerSecond_->setEnabled(dataRate && dataRate_->isChecked());
    quality_->setEnabled(c.takesQuality && !(dataRate && dataRate_->isChecked()));
}

AVICOMPRESSOPTIONS AviCompressorDialog::options() const {
    AVICOMPRESSOPTIONS o = initial_;
    const int i = compressor_->currentIndex();
    o.fccHandler = i >= 0 && size_t(i) < compressors_.size() ? compressors_[size_t(i)].fccHandler : comptypeDIB;
    o.dwQuality = uint32_t(quality_->value()) * 100;
    o.dwFlags &= ~(AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE);
    if (keyFrames_->isEnabled() && keyFrames_->isChecked()) {
        o.dwFlags |= AVICOMPRESSF_KEYFRAMES;
        o.dwKeyFrameEvery = uint32_t(keyFrameEvery_->value());
    }
    if (dataRate_->isEnabled() && dataRate_->isChecked()) {
        o.dwFlags |= AVICOMPRESSF_DATARATE;
        o.dwBytesPerSecond = uint32_t(kilobytesPerSecond_->value()) * 1024;
    }
    return o;
}

}  // namespace nalo
