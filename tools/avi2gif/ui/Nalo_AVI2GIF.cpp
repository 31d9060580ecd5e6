#include "tools/avi2gif/ui/Nalo_AVI2GIF.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QWheelEvent>
#include <utility>

#include "controls/Command.h"
#include "controls/HoverButton.h"
#include "controls/OptionImage.h"
#include "controls/ucCanvas.h"
#include "controls/ucProgress.h"
#include "imaging/Dither8bpp.h"
#include "imaging/GifOptimizer.h"
#include "platform/FileIdentity.h"
#include "platform/VideoFileTypes.h"
#include "shell/AppPath.h"
#include "shell/FileHelpers.h"
#include "shell/ProgramState.h"
#include "shell/Settings.h"
#include "tools/avi2gif/Avi2GifRules.h"
#include "tools/avi2gif/AviImport.h"
#include "tools/avi2gif/ui/ChooseColorDialog.h"

namespace nalo {

namespace {

constexpr const char* Section = "AVI2GIF";
// The AVI file type, with the other video containers the layer reads.
QString aviFilter() {
    return QStringLiteral("AVI Videoﾌｧｲﾙ (avi) (") + QString::fromStdString(VideoFilePatterns()) + ")";
}
constexpr int Slot = 7;

// The pick-colour pointer: a dropper whose tip is the hot spot.
QCursor pickColourCursor() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(QPointF(2, 29), QPointF(16, 15));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(2, 29), QPointF(16, 15));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(60, 60, 60));
    p.drawEllipse(QRectF(15, 5, 12, 12));
    p.end();
    return QCursor(pm, 2, 29);
}

}  // namespace

Nalo_AVI2GIF::Nalo_AVI2GIF(DialogService& dialogs)
    : ToolWindow(dialogs, Slot, QStringLiteral("AVI (256色) -->  ｱﾆﾒGIF"), QSize(640, 452)),
      customColours_(greyCustomColours()) {
    setObjectName("Nalo_AVI2GIF");
    Cmd_AVI_ = new HoverButton(QStringLiteral("AVI..."), this);
    Cmd_AVI_->setObjectName("Cmd_AVI");
    Cmd_AVI_->setGeometry(12, 10, 70, 28);
    addLabel(QStringLiteral("AVI ﾌｧｲﾙの選択..."), QRect(90, 10, 140, 28), nullptr, true);
    lbl_Path_ = addLabel(QString(), QRect(230, 10, 398, 28), nullptr, true);
    lbl_Path_->setObjectName("lbl_Path");

    canvas_ = new ucCanvas(this);
    canvas_->setObjectName("ucCanvas");
    canvas_->setGeometry(12, 46, 430, 360);

    TiledPanel* panel = addPanel(QRect(452, 46, 176, 360));
    addLabel(QStringLiteral("GIF情報"), QRect(10, 8, 150, 20), panel)->setObjectName("lblInfo");
    addLabel(QStringLiteral("ｻｲｽﾞ"), QRect(10, 32, 60, 20), panel);
    lblScreenV_ = addLabel(QString(), QRect(74, 32, 96, 20), panel);
    lblScreenV_->setObjectName("lblScreenV");
    addLabel(QStringLiteral("ﾌﾚｰﾑ数"), QRect(10, 54, 60, 20), panel);
    lblFramesV_ = addLabel(QString(), QRect(74, 54, 96, 20), panel);
    lblFramesV_->setObjectName("lblFramesV");
    addLabel(QStringLiteral("ﾊﾟﾚｯﾄ"), QRect(10, 76, 60, 20), panel);
    lblPaletteV_ = addLabel(QString(), QRect(74, 76, 96, 20), panel);
    lblPaletteV_->setObjectName("lblPaletteV");

    Img_Transparent_ = new OptionImage(OptionImage::Look::Check, panel);
    Img_Transparent_->setObjectName("Img_Transparent");
    Img_Transparent_->setGeometry(10, 114, 14, 14);
    lbl_Transparent_ = new ClickLabel(QStringLiteral("透過処理"), panel);
    lbl_Transparent_->setObjectName("lbl_Transparent");
    lbl_Transparent_->setGeometry(30, 110, 120, 22);
    cmdPickColor_ = addCommand(QStringLiteral("透過色のﾋﾟｯｸｱｯﾌﾟ"), QRect(10, 140, 156, 30), panel, "cmdPickColor");
    Cmd_Optimize_ = addCommand(QStringLiteral("最適化(Gif)"), QRect(10, 200, 156, 30), panel, "Cmd_Optimize");
    Cmd_Save_ = addCommand(QStringLiteral("ｱﾆﾒGif作成"), QRect(10, 240, 156, 30), panel, "Cmd_Save");
    Cmd_Exit_ = addCommand(QStringLiteral("Exit"), QRect(10, 316, 156, 30), panel, "Cmd_Exit");

    progress_ = new ucProgress(this);
    progress_->setObjectName("ucProgress");
    progress_->setGeometry(12, 416, 616, 22);

    connect(Cmd_AVI_, &HoverButton::clicked, this, &Nalo_AVI2GIF::chooseAvi);
    // Frames that do not fit in memory go through a swap file, so any handler that
    // uses frames may meet a full disk.
    connect(Img_Transparent_, &OptionImage::mouseDown, this, [this] { guarded([this] { toggleTransparency(); }); });
    connect(lbl_Transparent_, &ClickLabel::mouseDown, this, [this] { guarded([this] { toggleTransparency(); }); });
    connect(cmdPickColor_, &Command::clicked, this, [this] { guarded([this] { startPick(); }); });
    connect(Cmd_Optimize_, &Command::clicked, this, [this] { guarded([this] { optimize(); }); });
    connect(Cmd_Save_, &Command::clicked, this, &Nalo_AVI2GIF::save);
    connect(Cmd_Exit_, &Command::clicked, this, &Nalo_AVI2GIF::exitWithSave);
    connect(canvas_, &ucCanvas::MouseDown, this,
            [this](int b, int s, int x, int y) { guarded([&] { canvasMouseDown(b, s, x, y); }); });
    connect(canvas_, &ucCanvas::MouseMove, this,
            [this](int b, int s, int x, int y) { guarded([&] { canvasMouseMove(b, s, x, y); }); });
    connect(canvas_, &ucCanvas::MouseUp, this,
            [this](int b, int s, int x, int y) { guarded([&] { canvasMouseUp(b, s, x, y); }); });
    connect(&tmrDelay_, &QTimer::timeout, this, [this] { guarded([this] { previewTick(); }); });

    SetButtonsState(true, true);
    acceptFileDrops(aviFilter(), [this](const QString& file, const QString&) { openAvi(file); });
    const IniDocument ini = IniDocument::read(IniPath());
    AviFolder = LoadFolderKey(ini, Section, "AVIﾌｫﾙﾀﾞ");
    gifFolder_ = QString::fromStdString(LoadFolderKey(ini, Section, "ｱﾆﾒGifﾌｫﾙﾀﾞ"));
    setTransparencyState(0);
    cmdPickColor_->setEnabled(false);
}

Nalo_AVI2GIF::~Nalo_AVI2GIF() { tmrDelay_.stop(); }

void Nalo_AVI2GIF::saveSettings() {
    SaveFolderKey(Section, "AVIﾌｫﾙﾀﾞ", AviFolder);
    SaveFolderKey(Section, "ｱﾆﾒGifﾌｫﾙﾀﾞ", gifFolder_.toStdString());
}

void Nalo_AVI2GIF::closeEvent(QCloseEvent* event) {
    tmrDelay_.stop();
    releaseModel();
    ToolWindow::closeEvent(event);
}

void Nalo_AVI2GIF::releaseModel() {
    gif_.Destroy();
    background_.DestroyPattern();
    previous_.Destroy();
}

void Nalo_AVI2GIF::setTransparencyState(int state) {
    checkState_ = state;
    Img_Transparent_->setChecked(state == 1);
    transparencyOn_ = state == 1;
}

void Nalo_AVI2GIF::chooseAvi() {
    FileDialogRequest request;
    request.title = QStringLiteral("AVIﾌｧｲﾙを選択");
    request.folder = QString::fromStdString(AviFolder);
    request.filter = aviFilter();
    const QString path = dialogs().openFile(this, request);
    if (!path.isEmpty()) openAvi(path);
}

void Nalo_AVI2GIF::openAvi(const QString& path) {
    AviFolder = ParentPath(path.toStdString());
    mDither8bpp::InitDitherTables();
    canvas_->setUserIcon(pickColourCursor());
    if (!wheelHooked_) {
        // Once per window: a second AVI keeps the one hook.
        canvas_->installEventFilter(this);
        installEventFilter(this);
        wheelHooked_ = true;
    }
    aviPath_ = path;
    tmrDelay_.stop();
    gif_.Destroy();
    cmdPickColor_->setEnabled(false);
    setTransparencyState(0);
    transparentIndex_ = 0;
    letEventsRun();

    bool imported = false;
    try {
        imported = mAVIImp::ImportAVI(path.toStdString(), gif_, progress_);
    } catch (const RuntimeError&) {
        imported = false;
    }
    if (imported) {
        lbl_Path_->setText(path);
        guarded([this] { startPreview(); });
    } else {
        progress_->setValue(0);
        dialogs().message(this, QStringLiteral("loading error AVI file"), MsgIcon::Exclamation);
        releaseModel();
        canvas_->DIB().Destroy();
        canvas_->Resize();
        canvas_->Repaint();
    }
    guarded([this] { updateFacts(); });
}

void Nalo_AVI2GIF::reportFrameFailure(const RuntimeError& e) {
    tmrDelay_.stop();
    pickMode_ = false;
    canvas_->setWorkMode(0);
    dialogs().message(this, QStringLiteral("ﾌﾚｰﾑの一時ﾌｧｲﾙのｴﾗｰ\r\n") + QString::fromStdString(e.description()),
                      MsgIcon::Exclamation);
}

void Nalo_AVI2GIF::startPreview() {
    tmrDelay_.stop();
    frameCount_ = gif_.FramesCount();
    if (frameCount_ < 1) return;
    const int w = gif_.ScreenWidth(), h = gif_.ScreenHeight();
    canvas_->DIB().Create(w, h, 32);
    canvas_->Resize();
    previous_.Create(w, h, 24);
    background_.SetPatternFromSolidColor(canvas_->BackColor());
    background_.Tile(canvas_->DIB().hDIBDC(), 0, 0, w, h, true);
    background_.Tile(previous_.hDIBDC(), 0, 0, w, h, true);
    if (frameCount_ < 2) {
        currentFrame_ = 1;
        gif_.FrameDraw(canvas_->DIB().hDIBDC(), 1, 0, 0, 1.0f, false);
        canvas_->Repaint();
    } else {
        currentFrame_ = frameCount_;
        tmrDelay_.setInterval(1);
        tmrDelay_.start();
    }
}

void Nalo_AVI2GIF::drawFrame(int16_t n) {
    if (n < 1 || n > gif_.FramesCount() || canvas_->DIB().empty()) return;
    Dib& canvasDc = canvas_->DIB().hDIBDC();
    const int w = canvasDc.width(), h = canvasDc.height();
    if (n == 1) background_.Tile(canvasDc, 0, 0, w, h, true);
    else bitBlt(canvasDc, 0, 0, w, h, previous_.hDIBDC(), 0, 0);
    gif_.FrameDraw(canvasDc, n, 0, 0, 1.0f, false);
    switch (gif_.FrameDisposalMethod(n)) {
    case 0:
    case 1: bitBlt(previous_.hDIBDC(), 0, 0, w, h, canvasDc, 0, 0); break;
    case 2:
        background_.Tile(previous_.hDIBDC(), gif_.FrameLeft(n), gif_.FrameTop(n),
                         std::as_const(gif_).FrameDIBXOR(n).Width(), std::as_const(gif_).FrameDIBXOR(n).Height(),
                         false);
        break;
    default: break;
    }
    canvas_->Repaint();
}

void Nalo_AVI2GIF::previewTick() {
    if (frameCount_ < 1 || gif_.FramesCount() < 1) {
        tmrDelay_.stop();
        return;
    }
    currentFrame_ = currentFrame_ >= frameCount_ ? 1 : static_cast<int16_t>(currentFrame_ + 1);
    tmrDelay_.setInterval(avi2gif::PreviewInterval(gif_.FrameDelay(currentFrame_)));
    drawFrame(currentFrame_);
}

void Nalo_AVI2GIF::updateFacts() {
    if (canvas_->DIB().empty() || gif_.FramesCount() < 1) {
        lblScreenV_->clear();
        lblFramesV_->clear();
        lblPaletteV_->clear();
        return;
    }
    const GcDIB& first = std::as_const(gif_).FrameDIBXOR(1);
    lblScreenV_->setText(QString("%1x%2").arg(first.Width()).arg(first.Height()));
    lblFramesV_->setText(QString::number(gif_.FramesCount()));
    lblPaletteV_->setText(QString("%1 bpp").arg(avi2gif::PaletteDepth(gif_.GlobalPaletteEntries())));
}

void Nalo_AVI2GIF::toggleTransparency() {
    if (gif_.FramesCount() < 1) return;
    setTransparencyState(1 - checkState_);
    cmdPickColor_->setEnabled(transparencyOn_);
    BusyCursor busy;
    mGIFExt::SetTransparency(gif_, transparencyOn_, transparentIndex_, progress_);
}

void Nalo_AVI2GIF::startPick() {
    if (!transparencyOn_ || gif_.FramesCount() < 1) return;
    pickMode_ = true;
    canvas_->setWorkMode(1);
    tmrDelay_.stop();
    currentFrame_ = 1;
    drawFrame(1);
}

void Nalo_AVI2GIF::pickAt(int x, int y) {
    if (!pickMode_ || canvas_->DIB().empty()) return;
    if (auto index = avi2gif::PickTransparentIndex(gif_, currentFrame_, x, y)) transparentIndex_ = *index;
}

void Nalo_AVI2GIF::canvasMouseDown(int button, int, int x, int y) {
    if (button == 1) pickAt(x, y);
}

void Nalo_AVI2GIF::canvasMouseMove(int button, int, int x, int y) {
    if (button & 1) pickAt(x, y);
}

void Nalo_AVI2GIF::canvasMouseUp(int button, int, int, int) {
    if (button == 1 && pickMode_) {
        pickMode_ = false;
        canvas_->setWorkMode(0);
        {
            BusyCursor busy;
            mGIFExt::SetTransparency(gif_, transparencyOn_, transparentIndex_, progress_);
        }
        tmrDelay_.setInterval(1);
        tmrDelay_.start();
    } else if (button == 2) {
        const ColourValue c = ChooseColorDialog(dialogs(), this, canvas_->BackColor(), false, customColours_);
        if (c != ClrInvalid) {
            canvas_->setBackColor(c);
            startPreview();
        }
    }
}

void Nalo_AVI2GIF::optimize() {
    if (gif_.FramesCount() < 1) return;
    tmrDelay_.stop();
    letEventsRun();
    {
        BusyCursor busy;
        transparentIndex_ = avi2gif::Optimize(gif_, progress_);
    }
    startPreview();
    updateFacts();
}

void Nalo_AVI2GIF::save() {
    if (gif_.FramesCount() < 1) return;
    const FileDialogRequest request = saveAsRequest(gifFolder_, QStringLiteral("GIFﾌｧｲﾙ"), QStringLiteral("gif"));
    const QString path = dialogs().saveFile(this, request);
    if (path.isEmpty()) return;
    gifFolder_ = QString::fromStdString(ParentPath(path.toStdString()));
    letEventsRun();
    bool saved = false;
    {
        BusyCursor busy;
        try {
            refuseSourceAsOutput(path.toStdString(), {aviPath_.toStdString()}, "cGIF");
            saved = gif_.Save(path.toStdString());
        } catch (const RuntimeError&) {
            saved = false;
        }
    }
    if (saved) close();
    else dialogs().message(this, QStringLiteral("Saving Error GIF file"), MsgIcon::Exclamation);
}

void Nalo_AVI2GIF::wheel(int delta) {
    if (canvas_->DIB().empty()) return;
    const int zoom = canvas_->Zoom();
    int next = zoom;
    if (delta < 0 && zoom > 1) next = zoom - 1;
    else if (delta > 0 && zoom < 10) next = zoom + 1;
    if (next == zoom) return;
    canvas_->setZoom(next);
    canvas_->Resize();
    canvas_->Repaint();
}

bool Nalo_AVI2GIF::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && (watched == canvas_ || watched == this)) {
        wheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    return ToolWindow::eventFilter(watched, event);
}

}  // namespace nalo
