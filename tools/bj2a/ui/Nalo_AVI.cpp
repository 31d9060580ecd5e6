#include "tools/bj2a/ui/Nalo_AVI.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <algorithm>

#include "platform/AudioOutput.h"
#include "platform/AviAudioReader.h"
#include "shell/ui/Decoration.h"

namespace nalo {

namespace {
constexpr int ClockMs = 5;
}

Nalo_AVI::Nalo_AVI(const QString& path, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("Nalo_AVI");
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose, false);
    lbl_Path_ = new QLabel(path, this);
    lbl_Path_->setObjectName("lbl_Path");
    lbl_Path_->hide();
    picVideo_ = new QLabel(this);
    picVideo_->setObjectName("picVideo");
    picVideo_->setFocusPolicy(Qt::StrongFocus);
    picVideo_->installEventFilter(this);
    setStyleSheet(QStringLiteral("background-color: black;"));

    // A file that cannot be opened gives an empty player that closes at once.
    int w = 0, h = 0;
    if (AVIStreamOpenFromFileA(stream_, lbl_Path_->text().toStdString(), streamtypeVIDEO, 0, OF_SHARE_EXCLUSIVE) ==
        AVIERR_OK) {
        AVISTREAMINFOA info;
        AVIStreamInfoA(stream_, &info, sizeof info);
        w = info.rcFrame.right - info.rcFrame.left;
        h = info.rcFrame.bottom - info.rcFrame.top;
        BITMAPINFOHEADER wanted;
        wanted.biWidth = w;
        wanted.biHeight = -h;  // top-down rows, as QImage holds them
        wanted.biBitCount = 32;
        wanted.biSizeImage = uint32_t(w) * 4 * uint32_t(h);
        frames_ = AVIStreamGetFrameOpen(stream_, &wanted);
        start_ = AVIStreamStart(stream_);
        length_ = AVIStreamLength(stream_);
        endMs_ = AVIStreamSampleToTime(stream_, start_ + length_) - AVIStreamSampleToTime(stream_, start_);
        audioReader_ = std::make_unique<AviAudioReader>(lbl_Path_->text().toStdString());
        if (audioReader_->hasAudio()) {
            audio_ = openAudioOutput(audioReader_->format());
            audioEnded_ = false;
        }
    }
    picVideo_->setGeometry(0, 0, w, h);
    setFixedSize(std::max(w, 1), std::max(h, 1));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 3);

    Timer1_.setSingleShot(true);
    Timer1_.setInterval(1);
    connect(&Timer1_, &QTimer::timeout, this, &Nalo_AVI::start);
    clock_.setInterval(ClockMs);
    connect(&clock_, &QTimer::timeout, this, &Nalo_AVI::tick);
}

Nalo_AVI::~Nalo_AVI() = default;

void Nalo_AVI::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (opened_) return;
    opened_ = true;
    RecordWindowSlot(Slot);
    AnimateOpen(this, Slot);
    picVideo_->setFocus();
    Timer1_.start();
}

void Nalo_AVI::start() {
    if (!frames_ || length_ <= 0) {
        close();
        return;
    }
    playing_ = true;
    elapsed_.start();
    clock_.start();
    tick();
}

int64_t Nalo_AVI::nowMs() const {
    // With sound the sound's position is the clock; silent AVIs follow the wall clock.
    if (audio_ && audio_->audible()) return audio_->playedFrames() * 1000 / audio_->format().sampleRate;
    return elapsed_.elapsed();
}

void Nalo_AVI::feedAudio() {
    while (!audioEnded_) {
        if (pendingAt_ >= pending_.size()) {
            pending_ = audioReader_->next();
            pendingAt_ = 0;
            if (pending_.empty()) {
                audioEnded_ = true;
                break;
            }
        }
        const size_t channels = size_t(audio_->format().channels);
        const size_t frames = (pending_.size() - pendingAt_) / channels;
        const size_t taken = audio_->write(pending_.data() + pendingAt_, frames);
        pendingAt_ += taken * channels;
        if (taken < frames) break;  // the device's buffer is full
    }
}

void Nalo_AVI::tick() {
    if (!playing_) return;
    if (audio_) feedAudio();
    const int64_t now = nowMs();
    // The last frame whose time has come; frames running late are skipped.
    int32_t due = shown_;
    while (due + 1 < length_ && AVIStreamSampleToTime(stream_, start_ + due + 1) - AVIStreamSampleToTime(stream_, start_) <= now)
        ++due;
    if (due != shown_) {
        shown_ = due;
        if (const BITMAPINFOHEADER* dib = AVIStreamGetFrame(frames_, start_ + due)) {
            const QImage image(reinterpret_cast<const uchar*>(dib + 1), dib->biWidth, -dib->biHeight,
                               dib->biWidth * 4, QImage::Format_RGB32);
            picVideo_->setPixmap(QPixmap::fromImage(image));
        }
    }
    const bool soundDone = !audio_ || (audioEnded_ && nowMs() >= endMs_);
    if (now >= endMs_ && soundDone) close();
}

void Nalo_AVI::keyPressEvent(QKeyEvent* e) {
    if (!toTheEnd_ && (e->key() == Qt::Key_Escape || e->key() == Qt::Key_Space)) {
        close();
        return;
    }
    e->accept();
}

bool Nalo_AVI::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picVideo_) {
        const auto type = event->type();
        if (type == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!toTheEnd_ && (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Space)) {
                close();
                return true;
            }
        }
        // Any other key or a mouse button on the video: it plays to its end, then closes.
        if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress) {
            toTheEnd_ = true;
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Nalo_AVI::done(int result) {
    if (closing_) return;
    closing_ = true;
    playing_ = false;
    clock_.stop();
    Timer1_.stop();
    if (audio_) audio_->stop();
    AnimateClose(this, Slot);
    QDialog::done(result);
}

}  // namespace nalo
