#include "tools/cd2mp3/ui/Nalo_CDP.h"

#include <QLabel>
#include <QPainter>
#include <cmath>

#include "controls/Command.h"
#include "controls/QtColour.h"
#include "shell/FileHelpers.h"
#include "shell/ProgramState.h"
#include "shell/ui/Decoration.h"

namespace nalo {

namespace {
constexpr int Slot = 1;
}

void ProgressPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!image.isNull()) p.drawImage(0, 0, image);
}

void PaintProgressBar(ProgressPicture& picture, double DrawParsent, const QString& WriteStr, ColourValue lngBackColor,
                      ColourValue lngBarColor) {
    const double fraction = std::min(DrawParsent, 1.0);
    const int W = picture.width(), H = picture.height();
    const int F = static_cast<int>(std::nearbyint(W * fraction));
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(qColour(lngBackColor));
    QPainter p(&image);
    QFont font = picture.font();
    font.setStyleStrategy(QFont::NoAntialias);  // raster operations act on whole pixels
    p.setFont(font);
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.setPen(qColour(lngBarColor));
    const QFontMetrics metrics(font);
    const int tw = metrics.horizontalAdvance(WriteStr), th = metrics.height();
    p.drawText((W - tw) / 2, (H - th) / 2 + metrics.ascent(), WriteStr);
    p.fillRect(QRect(0, 0, F, H), qColour(lngBarColor));
    p.fillRect(QRect(F, 0, W - F, H), qColour(lngBackColor));
    p.end();
    picture.image = image;
    picture.repaint();
}

Nalo_CDP::Nalo_CDP(QWidget* owner) : QWidget(owner, Qt::Window | Qt::Tool) {
    setObjectName("Nalo_CDP");
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Nalo"));
    setFixedSize(360, 110);
    PlaceWindow(this);
    lblStatus_ = new QLabel(QStringLiteral("Output ﾌｧｲﾙ名"), this);
    lblStatus_->setObjectName("lblStatus");
    lblStatus_->setGeometry(12, 10, 336, 20);
    lblStatus_->setStyleSheet("color: white;");
    Pic_Bar_ = new ProgressPicture(this);
    Pic_Bar_->setObjectName("Pic_Bar");
    Pic_Bar_->setGeometry(12, 36, 336, 22);
    Cmd_Can_ = new Command(QStringLiteral("Cancel"), this);
    Cmd_Can_->setObjectName("Cmd_Can");
    Cmd_Can_->setGeometry(140, 70, 80, 28);
    Cmd_Can_->Initialize();
    connect(Cmd_Can_, &Command::clicked, this, &Nalo_CDP::cancel);
    RecordWindowSlot(Slot);  // no opening animation
    PaintProgressBar(*Pic_Bar_, 0, QString(), rgb(255, 255, 255), rgb(0, 0, 128));
}

Nalo_CDP::~Nalo_CDP() {
    if (isVisible()) AnimateClose(this, Slot);
}

void Nalo_CDP::cancel() { CancelRequested = true; }

QString Nalo_CDP::status() const { return lblStatus_->text(); }

void Nalo_CDP::ChangeProgress(const std::string& Status, float CurVal, float TotVal) {
    lblStatus_->setText(QStringLiteral("Output ﾌｧｲﾙ名 : ") + QString::fromStdString(FileNameOf(Status)));
    const double fraction = TotVal > 0 ? double(CurVal) / double(TotVal) : 0.0;
    PaintProgressBar(*Pic_Bar_, fraction, QString::number(static_cast<int>(fraction * 100)) + QStringLiteral("%"),
                     rgb(255, 255, 255), rgb(0, 0, 128));
}

void Nalo_CDP::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintGradient(p, width(), height());
}

}  // namespace nalo
