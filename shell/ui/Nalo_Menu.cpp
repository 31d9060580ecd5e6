#include "shell/ui/Nalo_Menu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDropEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "controls/Command.h"
#include "shell/AppPath.h"
#include "shell/ProgramState.h"
#include "shell/Settings.h"
#include "shell/ui/Decoration.h"
#include "shell/ui/DropPaths.h"
#include "shell/ui/FocusOrder.h"
#include "shell/ui/ToolRegistry.h"
#include "shell/ui/ToolWindow.h"

namespace nalo {

namespace {

struct ButtonSpec {
    int index;
    const char* caption;
    int left, top, width;  // twips
};

constexpr ButtonSpec kButtons[] = {
    {7, "BMP  --> JPG", 240, 360, 3135},
    {5, "AVI (256色) -->  ｱﾆﾒGIF", 3480, 360, 3135},
    {0, "BMP、JPG  -->  AVI", 240, 960, 3135},
    {6, "音楽CD  --> MP3、WAV", 3480, 960, 3135},
    {1, "AVI  -->  BMP", 240, 1560, 3135},
    {8, "BMP、JPG、GIF  --> ICO", 3480, 1560, 3135},
    {4, "ｱﾆﾒGIF  -->  BMP、GIF", 240, 2160, 3135},
    {9, "BMP... --> BMP(補正減色)", 3480, 2160, 3135},
    {10, "TGA、PCX、BMP、GIF、JPG --> BMP、TGA、PCX", 240, 2760, 6375},
    {3, "End", 3480, 3360, 3135},
};
constexpr int ButtonHeight = 495;
// Pic_C: wide enough for the right column, tall enough for the web address.
constexpr int PicCWidth = 6855, PicCHeight = 4620;
constexpr const char* MakerUrl = "https://nalo.example.jp/";

ToolFactory factoryOf(int index) {
    for (const auto& e : toolRegistry())
        if (e.index == index) return e.factory;
    return nullptr;
}

// A pointer of our own for the web address: a small globe-like hand.
QCursor urlCursor() {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(80, 160, 255));
    p.drawEllipse(QRectF(8.5, 8.5, 14, 14));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(15.5, 9), QPointF(15.5, 22));
    p.drawLine(QPointF(9, 15.5), QPointF(22, 15.5));
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(1, 1), QPointF(8, 8));
    p.end();
    return QCursor(pm, 1, 1);
}

}  // namespace

Nalo_Menu::Nalo_Menu(DialogService& dialogs) : QWidget(nullptr), dialogs_(dialogs) {
    setObjectName("Nalo_Menu");
    setWindowTitle(QStringLiteral("Nalo"));
    const QRect client = twipsRect(0, 0, PicCWidth, PicCHeight);
    setFixedSize(client.size());

    for (const auto& b : kButtons) {
        auto* c = new Command(QString::fromUtf8(b.caption), this);
        c->setObjectName(QString("Cmd_1_%1").arg(b.index));
        c->setGeometry(twipsRect(b.left, b.top, b.width, ButtonHeight));
        buttons_[b.index] = c;
        if (b.index == 3) {
            connect(c, &Command::clicked, this, &QWidget::close);
        } else {
            c->setEnabled(factoryOf(b.index) != nullptr);
            const int index = b.index;
            connect(c, &Command::clicked, this, [this, index] { openToolWindow(index); });
        }
    }
    help_ = new Command(QStringLiteral("Help"), this);
    help_->setObjectName("Cmd_Help");
    help_->setGeometry(twipsRect(240, 3360, 3135, ButtonHeight));
    connect(help_, &Command::clicked, this, [] {
        const bool ok = QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(appPath()) + "/Readme.htm"));
        ApiResult = ok ? 42 : 0;
    });

    credit_ = new QLabel(QStringLiteral("Design & Program  Nalo Project   Ver.1.2.0"), this);
    credit_->setObjectName("lbl");
    credit_->setGeometry(twipsRect(240, 3960, 2520, 195).adjusted(0, 0, 200, 4));
    url_ = new UrlLabel(QString::fromUtf8(MakerUrl), this);
    url_->setObjectName("lbl_URL");
    url_->setGeometry(twipsRect(240, 4200, 3105, 195).adjusted(0, 0, 0, 4));
    url_->setCursor(urlCursor());
    for (QLabel* l : {credit_, static_cast<QLabel*>(url_)}) l->setStyleSheet("color: white;");
    connect(url_, &UrlLabel::clicked, this, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ApiResult = QDesktopServices::openUrl(QUrl(url_->text())) ? 42 : 0;
        QApplication::restoreOverrideCursor();
    });

    // "End" takes the width of Cmd_1(8).
    buttons_[3]->resize(buttons_[8]->width(), buttons_[3]->height());
    for (auto& [i, c] : buttons_) c->Initialize();
    help_->Initialize();

    setAcceptDrops(true);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect s = screen->geometry();
        move((s.width() - (width() + 6)) / 2, (s.height() - (height() + 25)) / 3);
    }
}

Nalo_Menu::~Nalo_Menu() {
    for (auto& [i, t] : tools_)
        if (t) delete t.data();
}

Command* Nalo_Menu::Cmd_1(int index) const {
    auto it = buttons_.find(index);
    return it == buttons_.end() ? nullptr : it->second;
}

ToolWindow* Nalo_Menu::openTool(int index) const {
    auto it = tools_.find(index);
    return it == tools_.end() ? nullptr : it->second.data();
}

void Nalo_Menu::openToolWindow(int index) {
    if (ToolWindow* open = openTool(index)) {
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    ToolFactory factory = factoryOf(index);
    if (!factory) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ToolWindow* w = factory(dialogs_);
    tools_[index] = w;
    w->show();
    QApplication::restoreOverrideCursor();
}

bool Nalo_Menu::openDroppedFile(const QString& file) {
    const int index = MenuToolFor(file);
    if (index < 0 || !factoryOf(index)) return false;
    openToolWindow(index);
    ToolWindow* tool = openTool(index);
    return tool && tool->openDropped({file});
}

void Nalo_Menu::dragEnterEvent(QDragEnterEvent* e) {
    const QStringList paths = LocalPaths(e->mimeData());
    const bool usable = paths.size() == 1 && factoryOf(MenuToolFor(paths.front()));
    dragged_ = usable ? paths.front() : QString();
    AnswerDrag(e, usable);
}

void Nalo_Menu::dragMoveEvent(QDragMoveEvent* e) { AnswerDrag(e, !dragged_.isEmpty()); }

void Nalo_Menu::dropEvent(QDropEvent* e) {
    const QStringList paths = LocalPaths(e->mimeData());
    if (paths.size() != 1 || MenuToolFor(paths.front()) < 0) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    // Opened once the drag has ended: the tool may show message boxes.
    QTimer::singleShot(0, this, [this, file = paths.front()] { openDroppedFile(file); });
}

void Nalo_Menu::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintGradient(p, width(), height());
}

void Nalo_Menu::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (opened_) return;
    opened_ = true;
    SetLayoutTabOrder(this);
    RecordWindowSlot(0);
    AnimateOpen(this, 0);
    // The menu opens once per run, so this is said at most once.
    if (SettingsFileTooLarge())
        dialogs_.message(this,
                         QStringLiteral("設定ファイル %1 は 1 MB を超えているため読み込みません。\n"
                                        "既定の設定で動作し、このファイルは変更しません。")
                             .arg(QString::fromStdString(IniPath())),
                         MsgIcon::Exclamation);
}

void Nalo_Menu::closeEvent(QCloseEvent* e) {
    AnimateClose(this, 0);
    // The tool windows go without saving their settings or animating.
    for (auto& [i, t] : tools_)
        if (t) t->destroyWithoutSaving();
    e->accept();
    QCoreApplication::quit();
}

}  // namespace nalo
