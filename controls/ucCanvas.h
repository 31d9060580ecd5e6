#pragma once
// Canvas control: shows one picture fitted into the control or at an integer zoom
// with drag scrolling, and reports mouse events in picture coordinates.
#include <QCursor>
#include <QWidget>
#include <optional>

#include "controls/CanvasGeometry.h"
#include "imaging/GcDIB.h"
#include "shell/Colour.h"

namespace nalo {

class ucCanvas : public QWidget {
    Q_OBJECT
public:
    // The application-workspace system colour.
    static constexpr ColourValue DefaultBackColor = 0x8000000Cu;

    explicit ucCanvas(QWidget* parent = nullptr);

    // The picture shown; the owner creates and fills it, then calls Resize after
    // a size change and Repaint after drawing.
    GcDIB& DIB() { return dib_; }
    const GcDIB& DIB() const { return dib_; }

    // Paints now, while the control is visible.
    void Repaint();
    // Recomputes the layout only (no painting).
    void Resize();

    int Zoom() const { return geom_.zoom(); }
    void setZoom(int zoom) { geom_.setZoom(zoom); }  // below 1 -> 1; no re-layout
    bool FitMode() const { return geom_.fitMode(); }
    void setFitMode(bool fit) { geom_.setFitMode(fit); }  // no re-layout
    int WorkMode() const { return workMode_; }
    void setWorkMode(int mode);  // 0 = dragging scrolls; other = owner's mode with the user cursor
    const std::optional<QCursor>& UserIcon() const { return userIcon_; }
    void setUserIcon(std::optional<QCursor> icon);
    ColourValue BackColor() const { return backColor_; }
    void setBackColor(ColourValue colour);

    // Drawn rectangle, scroll and ranges, control-to-picture mapping.
    const CanvasGeometry& layoutState() const { return geom_; }

signals:
    // Button and shift codes of controls/MouseCodes.h; x, y in picture coordinates.
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void Scroll();
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updatePointer();

    GcDIB dib_;
    Dib backBuffer_;  // control-sized, reused between paints
    CanvasGeometry geom_;
    int workMode_ = 0;
    std::optional<QCursor> userIcon_;
    ColourValue backColor_ = DefaultBackColor;
    bool dragging_ = false;
    int lastX_ = 0, lastY_ = 0;
};

}  // namespace nalo
