#pragma once
// The BMP-to-JPG window: bitmaps of one folder to JPEG files beside them.
#include "platform/PictureIo.h"
#include "shell/ui/FolderConverterWindow.h"
#include "tools/b2j/B2jConverter.h"

class QLabel;
class QLineEdit;
class QSlider;

namespace nalo {

class OptionImage;

class Nalo_B2J : public FolderConverterWindow {
    Q_OBJECT
public:
    // `encode` defaults to the JPEG component.
    explicit Nalo_B2J(DialogService& dialogs, b2j::JpegEncoder encode = {});

    void convert();
    void setSizeMode(int mode);
    int16_t compressionValue() const { return compressionValue_; }

protected:
    void saveSettings() override;
    std::string& folder() override;
    std::string sourcePattern() const override { return std::string("*.bmp;") + PngWebpTiffPatterns; }
    std::string outputPattern() const override { return "*.jpg"; }
    bool loadForPreview(const std::string& path, bool fromSourceList, Dib& picture) override;

private:
    b2j::JpegEncoder encode_;
    int16_t compressionValue_ = 0;
    OptionImage* Img_Size_[2] = {};
    QLineEdit* Pic_Width_ = nullptr;
    QLineEdit* Pic_Height_ = nullptr;
    QSlider* HS_Press_ = nullptr;
    QLabel* lbl_Press_ = nullptr;
};

}  // namespace nalo
