#pragma once
// Rules of the picture-to-icon window that need no window: the shared state of the
// window and its dialogs, the settings keys, the file filter, the preview size.
#include <string>
#include <utility>

#include "platform/Dib.h"

namespace nalo {

// State shared by the tool window and its capture and colour dialogs.
struct Pic2IcoShared {
    std::string SourcePath;
    int CaptureMode = 1;  // 0 region capture, 1 high-quality shrink
    int FitSide = 0;      // 0 side = dragged width, 1 = dragged height
    int IconColours = 2;  // 0 / 1 / 2 / 3 = 1 / 4 / 8 / 24 bits
    int ShrinkMode = 0;   // preparation of the shrink dialog
    bool Captured = false;
};

namespace pic2ico {
inline constexpr const char* Section = "PIC2ICO";
inline constexpr const char* KeyCaptureMode = "ｷｬﾌﾟﾁｬｰ";
inline constexpr const char* KeyFitSide = "幅高さ区分";
inline constexpr const char* KeyIconColours = "色の幅";
inline constexpr const char* KeyShrinkMode = "優先ｻｲｽﾞ";
inline constexpr const char* KeyFileFolder = "Fileﾌｫﾙﾀﾞ";
inline constexpr const char* KeyIconFolder = "ICOﾌｫﾙﾀﾞ";
inline constexpr const char* FilePattern = "*.bmp;*.jpg;*.gif;*.png;*.webp;*.tif;*.tiff";
inline constexpr const char* SizeMessage = "ｻｲｽﾞは 32 * 32 (ﾋﾟｸｾﾙ) 以上必要です。";
inline constexpr int PreviewSide = 100;
inline constexpr int PickerScale = 8;
}  // namespace pic2ico

// Bit count of an `IconColours` choice (0..3 -> 1, 4, 8, 24; others 24).
int iconBitCount(int iconColours);

// True for names ending in .bmp, .jpg or .gif, in any case.
bool isIconSourceName(const std::string& fileName);

// Folder + file name, with one "/" between them.
std::string joinSourcePath(const std::string& folder, const std::string& fileName);

// "300 * 150".
std::string pictureSizeText(int width, int height);

// Pictures under 32 pixels in width or height cannot be captured.
bool canCaptureIcon(int width, int height);

// The fitted preview size: 100 along the longer side, the other side in proportion.
std::pair<int, int> previewSize(int width, int height);

// The preview picture: `picture` stretched colour on colour to previewSize.
Dib previewPicture(const Dib& picture);

// The colour picker's view: the icon stretched 8 times, 256 x 256.
Dib magnifiedIcon(const Dib& icon);

}  // namespace nalo
