#include "tools/pic2ico/ui/Nalo_Thumb.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <utility>

#include "controls/Command.h"
#include "controls/OptionImage.h"
#include "codecs/IcoWriter.h"
#include "controls/QtColour.h"
#include "platform/ui/DibImage.h"
#include "shell/AppPath.h"
#include "shell/RuntimeError.h"
#include "shell/ui/Decoration.h"
#include "shell/ui/ToolWindow.h"

namespace nalo {

namespace {

constexpr int Slot = 10;
constexpr QSize ClientSize(372, 268);

// Pic_C: the shaded background band under everything.
class GradientBox : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        PaintGradient(p, width(), height());
    }
};

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Four cleared result boxes, none made.
ShrinkResults emptyResults() {
    ShrinkResults r;
    for (Dib& d : r.pictures) {
        d = Dib(IconSide, IconSide, 24);
        d.fill(shrinkBackground());
    }
    return r;
}

}  // namespace

// The dialog shows no message boxes: shrink failures only leave results empty.
Nalo_Thumb::Nalo_Thumb(DialogService&, Pic2IcoShared& shared, Dib& iconImage, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), shared_(shared),
      iconImage_(iconImage), results_(emptyResults()) {
    setObjectName("Nalo_Thumb");
    setWindowTitle(QStringLiteral("高画質に縮小してｷｬﾌﾟﾁｬｰ"));
    setFixedSize(ClientSize);

    auto* Pic_C = new GradientBox(this);
    Pic_C->setObjectName("Pic_C");
    Pic_C->setGeometry(QRect(QPoint(0, 0), ClientSize));
    auto* Pic_B = new TiledPanel(Pic_C);
    Pic_B->setObjectName("Pic_B");
    Pic_B->setGeometry(10, 10, 352, 248);

    const char* preparations[3] = {"縦横比率を維持し縮小", "縦横比率を維持し縮小(余白ｶｯﾄ)", "ｽﾄﾚｯﾁで縮小"};
    for (int i = 0; i < 3; ++i) {
        Img_Pr_[i] = addCaptionedOption(OptionImage::Look::Option, QString::fromUtf8(preparations[i]),
                                        QString("Pr_%1").arg(i), QRect(14, 16 + i * 22, 14, 14),
                                        QRect(32, 12 + i * 22, 200, 22), Pic_B, [this, i] { choosePreparation(i); })
                         .image;
    }
    cmdLoad_ = new Command(QStringLiteral("画像の縮小"), Pic_B);
    cmdLoad_->setObjectName("cmdLoad");
    cmdLoad_->setGeometry(240, 22, 98, 40);
    connect(cmdLoad_, &Command::clicked, this, &Nalo_Thumb::shrink);

    auto* high = new QLabel(QStringLiteral("高画質 ==>"), Pic_B);
    high->setObjectName("lbl_0");
    high->setGeometry(238, 86, 100, 18);
    high->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* low = new QLabel(QStringLiteral("<== 低画質"), Pic_B);
    low->setObjectName("lbl_1");
    low->setGeometry(14, 86, 100, 18);

    QPalette boxPalette;
    boxPalette.setColor(QPalette::Window, qColour(shrinkBackground()));
    for (int q = 0; q < ShrinkQualities; ++q) {
        const int x = 14 + q * 84;
        auto* base = new QFrame(Pic_B);
        base->setObjectName(QString("Pic_Base_%1").arg(q));
        base->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        base->setLineWidth(2);
        base->setAutoFillBackground(true);
        base->setPalette(boxPalette);
        base->setGeometry(x, 108, 72, 72);
        picHigh_[q] = new QLabel(base);
        picHigh_[q]->setObjectName(QString("picHigh_%1").arg(q));
        picHigh_[q]->setGeometry((base->width() - IconSide) / 2, (base->height() - IconSide) / 2, IconSide, IconSide);

        const CaptionedOption sel =
            addCaptionedOption(OptionImage::Look::Option, QStringLiteral("選択"), QString("Sel_%1").arg(q),
                               QRect(x + 14, 190, 14, 14), QRect(x + 32, 186, 40, 22), Pic_B,
                               [this, q] { chooseResult(q); });
        Img_Sel_[q] = sel.image;
        lbl_Sel_[q] = sel.label;
    }

    Cmd_OK_ = new Command(QStringLiteral("OK"), Pic_B);
    Cmd_OK_->setObjectName("Cmd_OK");
    Cmd_OK_->setGeometry(162, 214, 84, 26);
    auto* Cmd_Can = new Command(QStringLiteral("Cancel"), Pic_B);
    Cmd_Can->setObjectName("Cmd_Can");
    Cmd_Can->setGeometry(254, 214, 84, 26);
    connect(Cmd_OK_, &Command::clicked, this, &Nalo_Thumb::ok);
    connect(Cmd_Can, &Command::clicked, this, &Nalo_Thumb::reject);

    for (Command* c : findChildren<Command*>()) c->Initialize();
    PlaceWindow(this);
    showPreparation();
    showResults();
}

void Nalo_Thumb::showPreparation() {
    for (int i = 0; i < 3; ++i) Img_Pr_[i]->setChecked(i == shared_.ShrinkMode);
}

void Nalo_Thumb::showResults() {
    for (int q = 0; q < ShrinkQualities; ++q) {
        const bool made = results_.made[static_cast<size_t>(q)];
        picHigh_[q]->setPixmap(QPixmap::fromImage(toQImage(results_.pictures[static_cast<size_t>(q)])));
        Img_Sel_[q]->setEnabled(made);
        lbl_Sel_[q]->setEnabled(made);
        Img_Sel_[q]->setChecked(made && q == chosen_);
    }
}

void Nalo_Thumb::discardResults() {
    results_ = emptyResults();
    showResults();
}

void Nalo_Thumb::choosePreparation(int mode) {
    if (shrinking_ || mode == shared_.ShrinkMode) return;
    shared_.ShrinkMode = mode;
    showPreparation();
    discardResults();
    Cmd_OK_->setEnabled(false);
}

void Nalo_Thumb::shrink() {
    if (shrinking_) return;
    shrinking_ = true;
    WaitCursor busy;
    discardResults();
    try {
        results_ = shrinkPictureFile(shared_.SourcePath, shared_.ShrinkMode, workFolder(),
                                     [] { QCoreApplication::processEvents(); });
    } catch (const std::exception&) {
        results_ = emptyResults();  // an unreadable picture leaves the results empty
    }
    bool any = false;
    for (int q = 0; q < ShrinkQualities; ++q) any = any || results_.made[static_cast<size_t>(q)];
    if (any) {
        chosen_ = results_.chosen;
        Cmd_OK_->setEnabled(true);
    }
    showResults();
    shrinking_ = false;
}

void Nalo_Thumb::chooseResult(int quality) {
    if (!results_.made[static_cast<size_t>(quality)]) return;
    chosen_ = quality;
    showResults();
}

void Nalo_Thumb::ok() {
    if (shrinking_ || !Cmd_OK_->isEnabled()) return;
    const Dib& picture = results_.pictures[static_cast<size_t>(chosen_)];
    if (iconImage_.empty()) iconImage_ = Dib(IconSide, IconSide, 24);
    bitBlt(iconImage_, 0, 0, IconSide, IconSide, picture, 0, 0);
    shared_.Captured = true;
    accept();
}

void Nalo_Thumb::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (opened_) return;
    opened_ = true;
    RecordWindowSlot(Slot);
    // The animation lets events run; a close asked for meanwhile waits for the modal loop,
    // which would otherwise start after the dialog is already hidden and never end.
    animatingOpen_ = true;
    AnimateOpen(this, Slot);
    animatingOpen_ = false;
    if (pendingResult_) QTimer::singleShot(0, this, [this] {
        if (const auto r = std::exchange(pendingResult_, std::nullopt)) done(*r);
    });
}

void Nalo_Thumb::done(int r) {
    if (animatingOpen_) {
        pendingResult_ = r;
        return;
    }
    if (isVisible()) AnimateClose(this, Slot);
    QDialog::done(r);
}

}  // namespace nalo
