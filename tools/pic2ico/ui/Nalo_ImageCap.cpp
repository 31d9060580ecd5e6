#include "tools/pic2ico/ui/Nalo_ImageCap.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "platform/PictureIo.h"
#include "platform/ui/DibImage.h"
#include "tools/pic2ico/ImageCapSession.h"

namespace nalo {

namespace {

int sessionButton(Qt::MouseButtons b) {
    int r = ImageCapSession::NoButton;
    if (b & Qt::LeftButton) r |= ImageCapSession::LeftButton;
    if (b & Qt::RightButton) r |= ImageCapSession::RightButton;
    if (b & Qt::MiddleButton) r |= ImageCapSession::MiddleButton;
    return r;
}

// The screen-sized picture box: paints the dialog's display, hands mouse events back.
class CaptureDisplay : public QWidget {
public:
    explicit CaptureDisplay(Nalo_ImageCap* owner) : QWidget(owner), owner_(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::CrossCursor);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        p.drawImage(e->rect(), owner_->displayImage(), e->rect());
    }
    void mousePressEvent(QMouseEvent* e) override { owner_->displayPressed(e); }
    void mouseMoveEvent(QMouseEvent* e) override { owner_->displayMoved(e); }
    void mouseReleaseEvent(QMouseEvent* e) override { owner_->displayReleased(e); }

private:
    Nalo_ImageCap* owner_;
};

// The picture to capture from; nothing when it cannot be loaded (the screen stays white).
Dib loadSource(const std::string& path) {
    try {
        return loadPicture(path);
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

Nalo_ImageCap::Nalo_ImageCap(Pic2IcoShared& shared, Dib& iconImage, QSize screen, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), shared_(shared), iconImage_(iconImage) {
    setObjectName("Nalo_ImageCap");
    screen = screen.expandedTo(QSize(1, 1));
    setGeometry(QRect(QPoint(0, 0), screen));
    setFixedSize(screen);
    session_ = std::make_unique<ImageCapSession>(screen.width(), screen.height(), loadSource(shared_.SourcePath),
                                                 shared_.FitSide);

    Display_ = new CaptureDisplay(this);
    Display_->setObjectName("Display");
    Display_->setGeometry(QRect(QPoint(0, 0), screen));

    lbl_Pos_ = new QLabel(this);
    lbl_Pos_->setObjectName("lbl_Pos");
    lbl_Pos_->setStyleSheet("background: white; color: black; padding: 1px 3px;");
    lbl_Pos_->setAttribute(Qt::WA_TransparentForMouseEvents);
    lbl_Pos_->hide();

    TimerCut_ = new QTimer(this);
    TimerCut_->setObjectName("TimerCut");
    TimerCut_->setInterval(100);
    connect(TimerCut_, &QTimer::timeout, this, [this] {
        session_->timerTick();
        refresh();
    });
    refresh();
}

Nalo_ImageCap::~Nalo_ImageCap() = default;

void Nalo_ImageCap::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Keys must reach the capture at once, without a click first.
    activateWindow();
    setFocus();
}

void Nalo_ImageCap::refresh() {
    if (session_->timerRunning() != TimerCut_->isActive()) {
        if (session_->timerRunning()) TimerCut_->start();
        else TimerCut_->stop();
    }
    image_ = toQImage(session_->display());
    const QString text = QString::fromStdString(session_->label());
    lbl_Pos_->setText(text);
    lbl_Pos_->setVisible(!text.isEmpty());
    if (!text.isEmpty()) {
        lbl_Pos_->adjustSize();
        lbl_Pos_->move(session_->labelX(), session_->labelY());
    }
    Display_->update();
}

void Nalo_ImageCap::displayPressed(QMouseEvent* e) {
    session_->mouseDown(sessionButton(e->button()), float(e->position().x()), float(e->position().y()));
    refresh();
}

void Nalo_ImageCap::displayMoved(QMouseEvent* e) {
    session_->mouseMove(sessionButton(e->buttons()), float(e->position().x()), float(e->position().y()));
    refresh();
}

void Nalo_ImageCap::displayReleased(QMouseEvent* e) {
    session_->mouseUp(sessionButton(e->button()), float(e->position().x()), float(e->position().y()));
    refresh();
}

void Nalo_ImageCap::keyPressEvent(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    TimerCut_->stop();
    if (const auto icon = session_->key(enter)) {
        if (iconImage_.empty()) iconImage_ = Dib(icon->width(), icon->height(), 24);
        bitBlt(iconImage_, 0, 0, icon->width(), icon->height(), *icon, 0, 0);
        shared_.Captured = true;
        accept();
    } else {
        reject();
    }
}

}  // namespace nalo
