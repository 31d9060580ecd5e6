#include "tools/g2g/ui/Nalo_Gif.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <chrono>
#include <thread>

#include "platform/PictureIo.h"
#include "platform/ui/DibImage.h"
#include "shell/ui/Decoration.h"
#include "shell/ui/DialogService.h"

namespace nalo {

namespace {

// Master: the composed frames, or the file's first frame before there are any.
class MasterView : public QWidget {
public:
    MasterView(const clsGif24bit& gif, const Dib& first, QWidget* parent) : QWidget(parent), gif_(gif), first_(first) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(0, 0, 0));
        const Dib& shown = gif_.Canvas().empty() ? first_ : gif_.Canvas();
        if (!shown.empty()) p.drawImage(0, 0, toQImage(shown));
    }

private:
    const clsGif24bit& gif_;
    const Dib& first_;
};

}  // namespace

// Playback's window side: blocking pauses, the canvas shown, the frame files listed.
class Nalo_Gif::Host final : public GifRenderHost {
public:
    explicit Host(Nalo_Gif& w) : w_(w) {}
    void Pause(int32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void FrameShown(const Dib& canvas) override {
        w_.Master_->update();
        if (w_.shared_.SplitMode == 1) w_.Display_->setPixmap(QPixmap::fromImage(toQImage(canvas)));
        QCoreApplication::processEvents();
    }
    void FrameFileWritten(const std::string& name) override {
        if (w_.frameListed_) w_.frameListed_(QString::fromStdString(name));
        QCoreApplication::processEvents();
    }
    void FrameFileFailed(const RuntimeError& e) override {
        w_.dialogs_.message(&w_, QString::fromStdString(e.description()), MsgIcon::Exclamation);
    }
    void FileEndsEarly(int wholeFrames) override {
        const QString where = wholeFrames > 0 ? QStringLiteral("ﾌﾚｰﾑ%1 の後").arg(wholeFrames)
                                              : QStringLiteral("最初のﾌﾚｰﾑの途中");
        w_.dialogs_.message(&w_,
                            QString::fromStdString(w_.shared_.GifPath) + "\r\n" +
                                QStringLiteral("ﾌｧｲﾙが途中で終わっています（%1）").arg(where),
                            MsgIcon::Exclamation);
    }

private:
    Nalo_Gif& w_;
};

Nalo_Gif::Nalo_Gif(DialogService& dialogs, GifSplitShared& shared, std::function<void(const QString&)> frameListed,
                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), dialogs_(dialogs), shared_(shared),
      frameListed_(std::move(frameListed)), gif_(shared) {
    setObjectName("Nalo_Gif");
    setWindowTitle(QStringLiteral("AniGif_Main"));
    QPalette black;
    black.setColor(QPalette::Window, QColor(0, 0, 0));
    setPalette(black);
    setAutoFillBackground(true);
    auto* preview = new QLabel(QStringLiteral("Preview"), this);
    preview->setObjectName("Label1");
    preview->move(4, 4);
    try {
        first_ = loadPicture(shared_.GifPath);
    } catch (const RuntimeError&) {
        // Not a picture: the tick reports it.
    }
    const QSize size = first_.empty() ? QSize(90, 90) : QSize(first_.width(), first_.height());
    Display_ = new QLabel(this);
    Display_->setObjectName("Display");
    Display_->setGeometry(QRect(QPoint(0, 0), size));
    if (!first_.empty()) Display_->setPixmap(QPixmap::fromImage(toQImage(first_)));
    Master_ = new MasterView(gif_, first_, this);
    Master_->setObjectName("Master");
    Master_->setGeometry(QRect(QPoint(0, 0), size));
    Master_->installEventFilter(this);
    gif_.BackColor(0x8000000Fu);  // Master's background: the button face
    setFixedSize(size);
    PlaceWindow(this);
    Timer1_.setSingleShot(true);
    Timer1_.setInterval(0);
    connect(&Timer1_, &QTimer::timeout, this, &Nalo_Gif::Timer1Tick);
}

Nalo_Gif::~Nalo_Gif() { gif_.StopRender(true); }

void Nalo_Gif::Timer1Tick() {
    Timer1_.stop();
    gif_.CleanUp();
    shared_.NotGifFlag = false;
    gif_.fGifBreakOutFrames();
    if (shared_.NotGifFlag) {
        dialogs_.message(this, QStringLiteral("ｱﾆﾒｰｼｮﾝ Gifﾌｧｲﾙではありません！"), MsgIcon::Exclamation);
    } else {
        gif_.UserDelay(int64_t(0));
        gif_.StopRender(false);
        Host host(*this);
        gif_.RenderGif(host);
    }
    close();
}

void Nalo_Gif::stop() {
    gif_.StopRender(true);
    close();
}

void Nalo_Gif::mousePressEvent(QMouseEvent*) { stop(); }

bool Nalo_Gif::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Master_ && event->type() == QEvent::MouseButtonPress) {
        stop();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Nalo_Gif::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (opened_) return;
    opened_ = true;
    RecordWindowSlot(Slot);
    AnimateOpen(this, Slot);
    // Started once the window stands, so the work runs inside the modal loop.
    Timer1_.start();
}

void Nalo_Gif::closeEvent(QCloseEvent* e) {
    gif_.StopRender(true);
    QDialog::closeEvent(e);
}

void Nalo_Gif::done(int result) {
    gif_.StopRender(true);
    if (isVisible()) AnimateClose(this, Slot);
    QDialog::done(result);
}

}  // namespace nalo
