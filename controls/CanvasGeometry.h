#pragma once
// Layout, scrolling and coordinate arithmetic of the canvas control, kept free of Qt.
#include <cstdint>

namespace nalo {

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// One stretch of the paint: the picture's source rectangle onto the destination.
struct CanvasPaint {
    PixelRect dst, src;
};

// The per-axis state of the canvas: drawn rectangle, scroll and scroll range.
// Ranges and scrolls are 64-bit so large zooms of large pictures cannot overflow.
class CanvasGeometry {
public:
    int zoom() const { return zoom_; }
    void setZoom(int z) { zoom_ = z < 1 ? 1 : z; }
    bool fitMode() const { return fit_; }
    void setFitMode(bool f) { fit_ = f; }

    // Recomputes the drawn rectangle and the scroll ranges for a picture of
    // picW x picH (0 = empty) in a control of innerW x innerH; the scroll keeps its
    // relative position in the range, or is centred when there was no range.
    // In fit mode the picture is drawn at `fitted`, its best fit into the control.
    void layout(int innerW, int innerH, int picW, int picH, const PixelRect& fitted = {});

    const PixelRect& drawn() const { return drawn_; }
    int64_t scrollX() const { return x_.scroll; }
    int64_t scrollY() const { return y_.scroll; }
    int64_t rangeX() const { return x_.range; }
    int64_t rangeY() const { return y_.range; }
    bool scrollable() const { return !fit_ && (x_.range != 0 || y_.range != 0); }

    // Drag from the last mouse position to (x, y): scrolls by the difference,
    // clamped to the ranges. Returns whether the scroll changed.
    bool dragBy(double dx, double dy);

    // Control coordinates to picture coordinates (0 when the picture is empty).
    int pictureX(double x) const;
    int pictureY(double y) const;

    // The source and destination rectangles of the paint (the picture must not be empty).
    CanvasPaint paint() const;

private:
    struct Axis {
        int64_t scroll = 0, range = 0;
        float prevScroll = 0, prevRange = 0;
    };
    static void layoutAxis(Axis& a, int inner, int pic, int zoom, int& drawnPos, int& drawnSize);
    static void keepPosition(Axis& a);
    static bool dragAxis(Axis& a, double d);
    int toPicture(double v, int drawnPos, int drawnSize, int pic, int64_t scroll) const;
    void paintAxis(const Axis& a, int drawnPos, int drawnSize, int pic, int& dst, int& dstSize, int& src,
                   int& srcSize) const;

    int zoom_ = 1;
    bool fit_ = false;
    int picW_ = 0, picH_ = 0;
    PixelRect drawn_;
    Axis x_, y_;
};

}  // namespace nalo
