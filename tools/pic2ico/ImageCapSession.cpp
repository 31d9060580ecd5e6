#include "tools/pic2ico/ImageCapSession.h"

#include <algorithm>
#include <cmath>

#include "codecs/IcoWriter.h"
#include "shell/Rounding.h"

namespace nalo {

ImageCapSession::ImageCapSession(int screenWidth, int screenHeight, Dib picture, int fitSide)
    : display_(std::max(screenWidth, 1), std::max(screenHeight, 1), 24), picture_(std::move(picture)),
      fitSide_(fitSide) {
    redrawPicture();
}

float ImageCapSession::clampX(float x) const { return std::clamp(x, 0.0f, float(display_.width() - 1)); }
float ImageCapSession::clampY(float y) const { return std::clamp(y, 0.0f, float(display_.height() - 1)); }

void ImageCapSession::redrawPicture() { drawPictureCentred(display_, picture_); }

void ImageCapSession::mouseDown(int button, float x, float y) {
    if (tracked_ != NoButton && tracked_ != button) return;
    tracked_ = button;
    if (button != LeftButton) return;
    x = clampX(x);
    y = clampY(y);
    redrawPicture();
    box_.DrawCutBox(display_, 0, 0, 0, 0, false, true);
    timerRunning_ = false;
    sx_ = ex_ = x;
    sy_ = ey_ = y;
    bandDrawn_ = false;
}

void ImageCapSession::mouseMove(int button, float x, float y) {
    if (tracked_ != NoButton) button = tracked_;
    if (button != LeftButton || tracked_ != LeftButton) return;
    x = clampX(x);
    y = clampY(y);
    auto px = [](float v) { return static_cast<int>(roundHalfEven(v)); };
    if (bandDrawn_) invertDottedFrame(display_, px(sx_), px(sy_), px(ex_), px(ey_));
    invertDottedFrame(display_, px(sx_), px(sy_), px(x), px(y));
    bandDrawn_ = true;
    ex_ = x;
    ey_ = y;
    labelX_ = px(x) + 5;
    labelY_ = px(y) + 5;
    label_ = dragLabel(sx_, sy_, ex_, ey_, fitSide_);
}

void ImageCapSession::mouseUp(int button, float x, float y) {
    const bool wasLeftDrag = tracked_ == LeftButton && button == LeftButton;
    tracked_ = NoButton;
    if (!wasLeftDrag) return;
    (void)x;
    (void)y;
    bandDrawn_ = false;
    square_ = captureSquare(sx_, sy_, ex_, ey_, fitSide_);
    redrawPicture();
    cut_ = cutSquare(display_, square_);
    box_.DrawCutBox(display_, square_.left - 1, square_.top - 1, square_.side + 2, square_.side + 2, false, false);
    timerRunning_ = true;
    label_.clear();
}

void ImageCapSession::timerTick() {
    if (timerRunning_) box_.DrawCutBox(display_, 0, 0, 0, 0, true, false);
}

std::optional<Dib> ImageCapSession::key(bool enter) const {
    if (!enter || !timerRunning_ || cut_.empty()) return std::nullopt;
    Dib icon(IconSide, IconSide, 24);
    stretchToIcon(cut_, icon);
    return icon;
}

}  // namespace nalo
