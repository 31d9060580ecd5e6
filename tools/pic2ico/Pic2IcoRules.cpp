#include "tools/pic2ico/Pic2IcoRules.h"

#include <algorithm>
#include <cctype>

#include "codecs/IcoWriter.h"
#include "shell/Rounding.h"

namespace nalo {

int iconBitCount(int iconColours) {
    switch (iconColours) {
    case 0: return 1;
    case 1: return 4;
    case 2: return 8;
    default: return 24;
    }
}

bool isIconSourceName(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0) return false;
    std::string ext = fileName.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".bmp" || ext == ".jpg" || ext == ".gif" || ext == ".png" || ext == ".webp" || ext == ".tif" ||
           ext == ".tiff";
}

std::string joinSourcePath(const std::string& folder, const std::string& fileName) {
    if (folder.empty() || folder.back() == '/') return folder + fileName;
    return folder + "/" + fileName;
}

std::string pictureSizeText(int width, int height) { return std::to_string(width) + " * " + std::to_string(height); }

bool canCaptureIcon(int width, int height) { return width >= IconSide && height >= IconSide; }

std::pair<int, int> previewSize(int width, int height) {
    using pic2ico::PreviewSide;
    if (width <= 0 || height <= 0) return {PreviewSide, PreviewSide};
    if (width > height)
        return {PreviewSide, std::max(1, static_cast<int>(roundHalfEven(double(height) * PreviewSide / width)))};
    return {std::max(1, static_cast<int>(roundHalfEven(double(width) * PreviewSide / height))), PreviewSide};
}

Dib previewPicture(const Dib& picture) {
    const auto [w, h] = previewSize(picture.width(), picture.height());
    Dib preview(w, h, 24);
    stretchBlt(preview, 0, 0, w, h, picture, 0, 0, picture.width(), picture.height());
    return preview;
}

Dib magnifiedIcon(const Dib& icon) {
    constexpr int side = IconSide * pic2ico::PickerScale;
    Dib view(side, side, 24);
    stretchBlt(view, 0, 0, side, side, icon, 0, 0, IconSide, IconSide);
    return view;
}

}  // namespace nalo
