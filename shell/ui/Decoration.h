#pragma once
// Window decoration shared by every window: the shaded background band, the
// brushed-metal texture, the option images and the open/close animation.
#include <QPixmap>
#include <QRect>

class QPainter;
class QWidget;

namespace nalo {

// The vertical band: v = |sin(y / (H / 3.142))| * 220 rounded, line colour (v, v, v + 30).
void PaintGradient(QPainter& painter, int width, int height);

// Tiles Pic_Mbl at (i * 1030, j * 23) until the area is covered.
void TileBackground(QPainter& painter, int width, int height);

// The pictures the menu window holds for the tool windows, drawn by the program.
struct SharedPictures {
    QPixmap Img_Ra[2];   // 12 x 12 check box: empty, filled blue
    QPixmap Img_Opt[2];  // 13 x 13 round option: empty, red dot
    QPixmap Pic_Mbl;     // 1030 x 23 light grey brushed metal
};
// Made once, after the application object exists; never changed afterwards.
const SharedPictures& sharedPictures();

// The zooming outline from the slot's point to the window's rectangle and back.
// Skipped where the platform cannot place windows (offscreen, minimal, Wayland).
void AnimateOpen(QWidget* window, int slot);
void AnimateClose(QWidget* window, int slot);

// Records the slot from the cursor position (0, 0 when it cannot be read).
void RecordWindowSlot(int slot);

// The standard placement of a window whose client area is already sized: the frame
// taken as 6 pixels wider and 25 higher, centred across, one third of the free height down.
void PlaceWindow(QWidget* window);

// Screen twips per pixel (1440 / logical DPI).
double TwipsPerPixelX();
double TwipsPerPixelY();
// A twips rectangle in pixels.
QRect twipsRect(int left, int top, int width, int height);

}  // namespace nalo
