#include <gtest/gtest.h>

#include <QLabel>
#include <QWheelEvent>
#include <cstdlib>

#include "controls/Command.h"
#include "controls/OptionImage.h"
#include "controls/ucCanvas.h"
#include "shell/Settings.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "tools/avi2gif/ui/Nalo_AVI2GIF.h"

using namespace nalo;
using namespace nalo::test;

namespace {

struct Avi2GifWindow : WithQtApp, ::testing::Test {
    void SetUp() override {
        if (!haveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
        ::setenv("NALO_APP_DIR", dir.path().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("NALO_APP_DIR"); }
    std::string avi(const std::string& name, int frames, int fps) {
        const std::string path = dir.file(name);
        EXPECT_EQ(runCommand("ffmpeg -loglevel error -y -f lavfi -i testsrc=size=64x48:rate=" + std::to_string(fps) +
                             " -frames:v " + std::to_string(frames) + " -c:v rawvideo -pix_fmt bgr24 '" + path + "'"),
                  0);
        return path;
    }
    ScriptedDialogService dialogs;
    TempDir dir;
};

QString textOf(QWidget& w, const char* name) { return w.findChild<QLabel*>(name)->text(); }

}  // namespace

TEST_F(Avi2GifWindow, ImportShowsTheFactsAndSecondAviResetsTransparency) {
    Nalo_AVI2GIF w(dialogs);
    dialogs.fileAnswers.push_back(QString::fromStdString(avi("a.avi", 5, 25)));
    w.chooseAvi();
    EXPECT_EQ(w.model().FramesCount(), 5);
    EXPECT_EQ(textOf(w, "lblScreenV"), "64x48");
    EXPECT_EQ(textOf(w, "lblFramesV"), "5");
    EXPECT_EQ(textOf(w, "lblPaletteV"), "8 bpp");
    EXPECT_TRUE(w.timer().isActive());
    EXPECT_EQ(dialogs.calls.back().request.title, "AVIﾌｧｲﾙを選択");

    w.toggleTransparency();
    EXPECT_TRUE(w.transparencyOn());
    EXPECT_TRUE(w.findChild<Command*>("cmdPickColor")->isEnabled());
    EXPECT_TRUE(w.model().FrameUseTransparentColor(3));

    dialogs.fileAnswers.push_back(QString::fromStdString(avi("b.avi", 3, 25)));
    w.chooseAvi();
    EXPECT_FALSE(w.transparencyOn());
    EXPECT_FALSE(w.findChild<OptionImage*>("Img_Transparent")->checked());
    EXPECT_EQ(w.transparentIndex(), 0);
    EXPECT_EQ(w.model().FramesCount(), 3);

    // Optimising reduces the palette depth shown.
    w.optimize();
    EXPECT_NE(textOf(w, "lblPaletteV"), "8 bpp");
}

TEST_F(Avi2GifWindow, WheelZoomStopsAtOneAndTen) {
    Nalo_AVI2GIF w(dialogs);
    w.wheel(120);  // no picture: nothing happens
    EXPECT_EQ(w.canvas()->Zoom(), 1);
    dialogs.fileAnswers.push_back(QString::fromStdString(avi("a.avi", 2, 25)));
    w.chooseAvi();
    for (int i = 0; i < 12; ++i) {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w.canvas(), &e);
    }
    EXPECT_EQ(w.canvas()->Zoom(), 10);
    dialogs.fileAnswers.push_back(QString::fromStdString(avi("b.avi", 2, 25)));
    w.chooseAvi();  // the wheel keeps working after a second AVI
    for (int i = 0; i < 12; ++i) w.wheel(-120);
    EXPECT_EQ(w.canvas()->Zoom(), 1);
}

TEST_F(Avi2GifWindow, FailuresShowTheirMessagesAndSaveClosesTheWindow) {
    auto* w = new Nalo_AVI2GIF(dialogs);
    writeText(dir.file("junk.avi"), std::string(3000, 'x'));
    dialogs.fileAnswers.push_back(QString::fromStdString(dir.file("junk.avi")));
    w->chooseAvi();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages().back(), "loading error AVI file");
    EXPECT_EQ(dialogs.calls.back().icon, MsgIcon::Exclamation);
    EXPECT_EQ(textOf(*w, "lblFramesV"), "");

    dialogs.fileAnswers.push_back(QString::fromStdString(avi("a.avi", 3, 25)));
    w->chooseAvi();
    dialogs.fileAnswers.push_back(QString::fromStdString(dir.file("no-such-folder/out.gif")));
    w->save();
    EXPECT_EQ(dialogs.messages().back(), "Saving Error GIF file");

    QPointer<Nalo_AVI2GIF> guard(w);
    w->show();
    dialogs.fileAnswers.push_back(QString::fromStdString(dir.file("out.gif")));
    w->save();
    EXPECT_TRUE(std::filesystem::exists(dir.file("out.gif")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull()) << "a successful save closes the window";
}

TEST_F(Avi2GifWindow, ExitWritesTheFoldersAndTheCloseBoxDoesNot) {
    auto* w = new Nalo_AVI2GIF(dialogs);
    dialogs.fileAnswers.push_back(QString::fromStdString(avi("a.avi", 2, 25)));
    w->chooseAvi();
    w->show();
    w->close();
    EXPECT_EQ(ReadIni("AVI2GIF", "AVIﾌｫﾙﾀﾞ", IniPath()), "");
    auto* w2 = new Nalo_AVI2GIF(dialogs);
    w2->show();
    w2->exitWithSave();
    EXPECT_EQ(ReadIni("AVI2GIF", "AVIﾌｫﾙﾀﾞ", IniPath()), dir.path().string());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
