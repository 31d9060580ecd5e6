#pragma once
// The region capture's state machine: the screen-sized display with the picture centred,
// the inverting rubber band while dragging, the chosen square with its marching box,
// and Enter taking the square as the 32 x 32 icon. The window only forwards events and
// shows `display()`.
#include <optional>
#include <string>

#include "platform/Dib.h"
#include "tools/pic2ico/CaptureGeometry.h"
#include "tools/pic2ico/CutBox.h"

namespace nalo {

class ImageCapSession {
public:
    enum Button : int { NoButton = 0, LeftButton = 1, RightButton = 2, MiddleButton = 4 };

    ImageCapSession(int screenWidth, int screenHeight, Dib picture, int fitSide);

    const Dib& display() const { return display_; }
    const std::string& label() const { return label_; }
    int labelX() const { return labelX_; }
    int labelY() const { return labelY_; }
    bool timerRunning() const { return timerRunning_; }
    const CaptureSquare& square() const { return square_; }
    const Dib& cut() const { return cut_; }

    void mouseDown(int button, float x, float y);
    void mouseMove(int button, float x, float y);
    void mouseUp(int button, float x, float y);
    // The 100 ms tick: the box's dashes march.
    void timerTick();
    // Any key closes the window; Enter with a chosen square returns the 32 x 32 icon.
    std::optional<Dib> key(bool enter) const;

private:
    float clampX(float x) const;
    float clampY(float y) const;
    void redrawPicture();

    Dib display_, picture_, cut_;
    int fitSide_;
    int tracked_ = NoButton;
    float sx_ = 0, sy_ = 0, ex_ = 0, ey_ = 0;
    bool bandDrawn_ = false;
    bool timerRunning_ = false;
    CaptureSquare square_;
    CutBox box_;
    std::string label_;
    int labelX_ = 0, labelY_ = 0;
};

}  // namespace nalo
