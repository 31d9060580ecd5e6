#pragma once
// The compressor choice of AVI writing: the compressors FFmpeg can write into an AVI,
// the quality, a key frame every N frames and a data rate.
#include <QDialog>
#include <vector>

#include "platform/AviFile.h"

class QCheckBox;
class QComboBox;
class QSlider;
class QSpinBox;
class QLabel;

namespace nalo {

class AviCompressorDialog : public QDialog {
    Q_OBJECT
public:
    // `flags`: ICMF_CHOOSE_KEYFRAME and ICMF_CHOOSE_DATARATE offer those options.
    AviCompressorDialog(QWidget* parent, std::vector<AviCompressor> compressors, uint32_t flags,
                        const AVICOMPRESSOPTIONS& initial);

    // The options as the controls stand.
    AVICOMPRESSOPTIONS options() const;

private:
    void showCompressor();

    std::vector<AviCompressor> compressors_;
    uint32_t flags_;
    AVICOMPRESSOPTIONS initial_;
    QComboBox* compressor_ = nullptr;
    QSlider* quality_ = nullptr;
    QLabel* qualityValue_ = nullptr;
    QCheckBox* keyFrames_ = nullptr;
    QSpinBox* keyFrameEvery_ = nullptr;
    QCheckBox* dataRate_ = nullptr;
    QSpinBox* kilobytesPerSecond_ = nullptr;
};

}  // namespace nalo
