// The images-to-AVI window and the AVI player, headless with scripted dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <filesystem>

#include "controls/Command.h"
#include "controls/HoverButton.h"
#include "platform/AviFile.h"
#include "platform/PictureIo.h"
#include "shell/Settings.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "platform/ui/AviCompressorDialog.h"
#include "tools/bj2a/ui/Nalo_AVI.h"
#include "tools/bj2a/ui/Nalo_BJ2A.h"

using namespace nalo;
using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

const QString Made = QStringLiteral("Avi ﾌｧｲﾙを作成しました !!");
const QString Failed = QStringLiteral("Avi ﾌｧｲﾙの作成は失敗しました !!");

void savePicture(const std::string& path, int w, int h) {
    Dib picture(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) picture.setPixel(x, y, rgb(uint8_t(x), uint8_t(y), 90));
    savePictureBmp(picture, path);
}

AVICOMPRESSOPTIONS fullFrames() {
    AVICOMPRESSOPTIONS o;
    o.fccHandler = comptypeDIB;
    return o;
}

struct Bj2aWindow : WithQtApp, ::testing::Test {
    void SetUp() override {
        ::setenv("NALO_APP_DIR", dir.path().c_str(), 1);
        ::setenv("NALO_AUDIO", "null", 1);
        fs::create_directory(dir.path() / "pics");
        pics = QString::fromStdString((dir.path() / "pics").string());
        savePicture(file("a_wide.bmp"), 400, 200);
        savePicture(file("b_tall.bmp"), 200, 400);
        savePicture(file("c.bmp"), 64, 64);
        WriteIni("BJ2A", "BMPJPGﾌｫﾙﾀﾞ", pics.toStdString(), IniPath());
    }
    void TearDown() override { ::unsetenv("NALO_APP_DIR"); }

    std::string file(const std::string& name) const { return (dir.path() / "pics" / name).string(); }
    template <class T>
    T* child(QWidget& w, const char* name) { return w.findChild<T*>(name); }
    bool viewerEnabled(Nalo_BJ2A& w) { return child<HoverButton>(w, "Cmd_Viewer")->isEnabled(); }

    // Runs Cmd_AVI saving to `out` with the compressor answer given.
    void make(Nalo_BJ2A& w, const std::string& out, std::optional<AVICOMPRESSOPTIONS> compressor = fullFrames()) {
        dialogs.fileAnswers.push_back(QString::fromStdString(out));
        dialogs.compressorAnswers.push_back(compressor);
        w.makeAvi();
    }

    ScriptedDialogService dialogs;
    TempDir dir;
    QString pics;
};

}  // namespace

TEST_F(Bj2aWindow, ListsPreviewSizeAndRate) {
    Nalo_BJ2A w(dialogs);
    EXPECT_EQ(w.windowTitle(), "BMP、JPG  -->  AVI");
    EXPECT_EQ(w.folder(), pics);
    auto* kinds = child<QComboBox>(w, "Combo_Kind");
    ASSERT_EQ(kinds->count(), 4);
    EXPECT_EQ(kinds->itemText(3), "*.bmp;*.jpg;*.png;*.webp;*.tif;*.tiff");
    EXPECT_EQ(kinds->itemText(0), "*.bmp;*.jpg");
    EXPECT_EQ(kinds->currentText(), "*.bmp;*.jpg");
    EXPECT_EQ(child<QLabel>(w, "lbl_Flame")->text(), "3");
    EXPECT_EQ(child<QLabel>(w, "Pic_Pre")->size(), QSize(100, 50));
    EXPECT_EQ(child<QLineEdit>(w, "txtWidth")->text(), "400");
    EXPECT_EQ(child<QLineEdit>(w, "txtHeight")->text(), "200");
    EXPECT_FALSE(viewerEnabled(w));
    w.chooseFile("b_tall.bmp");
    EXPECT_EQ(child<QLabel>(w, "Pic_Pre")->size(), QSize(50, 100));
    EXPECT_EQ(child<QLineEdit>(w, "txtWidth")->text(), "200");
    EXPECT_EQ(child<QLineEdit>(w, "txtHeight")->text(), "400");
    child<QScrollBar>(w, "HS_FPS")->setValue(12);
    EXPECT_EQ(child<QLabel>(w, "lbl_FPS")->text(), "12");
    writeText(file("d.jpg"), "not decoded for the count");
    w.setPattern("*.jpg");
    EXPECT_EQ(child<QLabel>(w, "lbl_Flame")->text(), "1");
    // An empty folder: nothing happens on Cmd_AVI.
    fs::create_directory(dir.path() / "pics" / "empty");
    ASSERT_TRUE(w.setFolder(pics + "/empty"));
    EXPECT_EQ(child<QLabel>(w, "lbl_Flame")->text(), "0");
    EXPECT_TRUE(child<Command>(w, "Cmd_AVI")->isEnabled());
    w.makeAvi();
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(Bj2aWindow, MakesTheAviThenPlaysIt) {
    QPointer<Nalo_BJ2A> window = new Nalo_BJ2A(dialogs);
    Nalo_BJ2A& w = *window;
    child<QLineEdit>(w, "txtWidth")->setText("320");
    child<QLineEdit>(w, "txtHeight")->setText("240");
    bool disabledDuringRun = false;
    QTimer::singleShot(0, &w, [&] { disabledDuringRun = !child<Command>(w, "Cmd_AVI")->isEnabled(); });
    const std::string out = (dir.path() / "movie.avi").string();
    make(w, out);
    EXPECT_TRUE(disabledDuringRun);
    EXPECT_EQ(dialogs.messages(), QStringList{Made});
    EXPECT_EQ(dialogs.compressorsShown.front().name, "Full Frames (Uncompressed)");
    EXPECT_EQ(dialogs.calls.front().request.title, "ﾌｧｲﾙ名を付けて保存");
    EXPECT_EQ(dialogs.calls.front().request.defaultSuffix, "avi");
    EXPECT_EQ(child<QLabel>(w, "lbl_S")->text().toStdString(), file("c.bmp"));
    EXPECT_TRUE(child<Command>(w, "Cmd_AVI")->isEnabled());
    ASSERT_TRUE(viewerEnabled(w));
    EXPECT_EQ(w.aviFolder().toStdString(), dir.path().string());
    {
        AviLibraryScope scope;
        PAVISTREAM s;
        ASSERT_EQ(AVIStreamOpenFromFileA(s, out, streamtypeVIDEO, 0, OF_SHARE_EXCLUSIVE), 0);
        EXPECT_EQ(AVIStreamLength(s), 3);
        AVISTREAMINFOA info;
        AVIStreamInfoA(s, &info, sizeof info);
        EXPECT_EQ(info.rcFrame.right, 320);
        EXPECT_EQ(info.rcFrame.bottom, 240);
    }
    QString played;
    w.setPlayerRunner([&](const QString& p) { played = p; });
    child<HoverButton>(w, "Cmd_Viewer")->click();
    EXPECT_EQ(played.toStdString(), out);

    // "Exit" writes the section; the temporary frame goes with the window.
    child<QScrollBar>(w, "HS_FPS")->setValue(12);
    EXPECT_TRUE(fs::exists(dir.path() / "AVI_Temp.bmp"));
    w.exitWithSave();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(fs::exists(dir.path() / "AVI_Temp.bmp"));
    const auto ini = readFile(IniPath());
    EXPECT_NE(std::string(ini.begin(), ini.end()).find("FS= 12"), std::string::npos);
    EXPECT_EQ(ReadIni("BJ2A", "AVIﾌｫﾙﾀﾞ", IniPath()), dir.path().string());
}

TEST_F(Bj2aWindow, FailuresLeaveNoAviAndThePlayerDisabled) {
    auto bytes = readFile(file("c.bmp"));
    bytes.resize(200);
    writeFile(file("b_broken.bmp"), bytes);
    struct Case {
        const char* name;
        std::string out;
        std::optional<AVICOMPRESSOPTIONS> compressor;
        QStringList messages;
    } cases[] = {
        {"cancelled", "x.avi", std::nullopt, {}},
        {"corrupt picture", "x.avi", fullFrames(), {"画像ﾌｧｲﾙのﾛｰﾄﾞで失敗しました!", Failed}},
        {"unwritable", "none/x.avi", fullFrames(), {Failed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.calls.clear();
        QPointer<Nalo_BJ2A> window = new Nalo_BJ2A(dialogs);
        Nalo_BJ2A& w = *window;
        make(w, (dir.path() / c.out).string(), c.compressor);
        QStringList shown = dialogs.messages();
        ASSERT_EQ(shown.size(), c.messages.size()) << shown.join("|").toStdString();
        for (int i = 0; i < shown.size(); ++i) EXPECT_TRUE(shown[i].startsWith(c.messages[i])) << shown[i].toStdString();
        if (std::string(c.name) == "corrupt picture") {
            EXPECT_TRUE(shown[0].contains("b_broken.bmp"));
        }
        EXPECT_FALSE(fs::exists(dir.path() / c.out));
        EXPECT_FALSE(viewerEnabled(w));
        w.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(ReadIni("BJ2A", "FS", IniPath()), "") << "only Exit writes the settings";
}

TEST_F(Bj2aWindow, PlayerSizePlacementAndClosing) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    const std::string shortAvi = (dir.path() / "short.avi").string(), longAvi = (dir.path() / "long.avi").string();
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i testsrc=size=320x240:rate=20:duration=0.5 -f lavfi -i "
                         "sine=duration=0.5 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le " + shortAvi),
              0);
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i testsrc=size=160x120:rate=10:duration=20 -c:v mjpeg " + longAvi), 0);
    {
        Nalo_AVI player(QString::fromStdString(shortAvi));
        EXPECT_EQ(player.size(), QSize(320, 240));
        EXPECT_EQ(player.picVideo()->size(), QSize(320, 240));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_EQ(player.pos(), QPoint((screen.width() - 320) / 2, (screen.height() - 240) / 3));
        QElapsedTimer t;
        t.start();
        player.exec();  // returns when the player closes by itself
        EXPECT_GE(t.elapsed(), 400);
        EXPECT_LT(t.elapsed(), 5000);
        EXPECT_EQ(player.shownFrame(), 9);
    }
    {
        Nalo_AVI player(QString::fromStdString(longAvi));
        QTimer::singleShot(300, &player, [&] {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(player.picVideo(), &esc);
        });
        QElapsedTimer t;
        t.start();
        player.exec();
        EXPECT_LT(t.elapsed(), 3000);
        EXPECT_LT(player.shownFrame(), 30);
    }
}

TEST_F(Bj2aWindow, CompressorDialogOptions) {
    const std::vector<AviCompressor> list = {{comptypeDIB, "Full Frames (Uncompressed)", false, false, false},
                                             {comptypeMJPG, "Motion JPEG", true, true, true}};
    AVICOMPRESSOPTIONS initial;
    initial.fccHandler = comptypeMJPG;
    initial.dwQuality = 7500;
    AviCompressorDialog d(nullptr, list, ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE, initial);
    auto* compressor = d.findChild<QComboBox*>("Compressor");
    auto* keyFrames = d.findChild<QCheckBox*>("KeyFrames");
    EXPECT_EQ(compressor->currentIndex(), 1);
    keyFrames->setChecked(true);
    d.findChild<QSlider*>("Quality")->setValue(40);
    AVICOMPRESSOPTIONS o = d.options();
    EXPECT_EQ(o.fccHandler, comptypeMJPG);
    EXPECT_EQ(o.dwQuality, 4000u);
    EXPECT_EQ(o.dwFlags & (AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE), AVICOMPRESSF_KEYFRAMES);
    EXPECT_EQ(o.dwKeyFrameEvery, 1u);
    // Full frames take none of the options.
    compressor->setCurrentIndex(0);
    EXPECT_FALSE(keyFrames->isEnabled());
    EXPECT_EQ(d.options().fccHandler, comptypeDIB);
    EXPECT_EQ(d.options().dwFlags & AVICOMPRESSF_KEYFRAMES, 0u);
    // Without the key-frame flag the option is not offered.
    AviCompressorDialog plain(nullptr, list, 0, initial);
    EXPECT_FALSE(plain.findChild<QCheckBox*>("KeyFrames")->isEnabled());
}
