#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "controls/Command.h"
#include "controls/HoverButton.h"
#include "controls/OptionImage.h"
#include "g2g/TestGifs.h"
#include "shell/Settings.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "tools/g2g/ui/Nalo_G2G.h"
#include "tools/g2g/ui/Nalo_Gif.h"

using namespace nalo;
using namespace nalo::test;

namespace {

struct G2GWindow : WithQtApp, ::testing::Test {
    void SetUp() override { ::setenv("NALO_APP_DIR", dir.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("NALO_APP_DIR"); }
    // A GIF of `frames` full frames of w x h.
    QString gif(const std::string& name, int frames, int w = 12, int h = 8) {
        TestGif g{w, h, testPalette(4)};
        for (int i = 0; i < frames; ++i) g.frames.push_back(patternFrame(0, 0, w, h, 4, i));
        writeTestGif(dir.file(name), g);
        return QString::fromStdString(dir.file(name));
    }
    QStringList listed(Nalo_G2G& w) {
        QStringList names;
        for (int i = 0; i < w.lstFiles()->count(); ++i) names << w.lstFiles()->item(i)->text();
        return names;
    }
    ScriptedDialogService dialogs;
    TempDir dir;
};

}  // namespace

TEST_F(G2GWindow, SplitListsItsFilesAndExitSavesTheSettings) {
    auto* w = new Nalo_G2G(dialogs);
    EXPECT_FALSE(w->findChild<Command*>("Cmd_1_0")->isEnabled());
    EXPECT_FALSE(w->findChild<HoverButton*>("Cmd_2_1")->isEnabled());
    dialogs.fileAnswers.push_back(gif("a.b.gif", 3, 60, 120));
    w->chooseFile();
    EXPECT_EQ(dialogs.calls.back().request.title, "ｱﾆﾒｰｼｮﾝ Gifﾌｧｲﾙを選択");
    EXPECT_EQ(dialogs.calls.back().request.filter, "ｱﾆﾒｰｼｮﾝGifﾌｧｲﾙ (gif) (*.gif)");
    EXPECT_TRUE(w->findChild<Command*>("Cmd_1_0")->isEnabled());
    EXPECT_EQ(w->findChild<QLabel*>("Pic_Ani_Gif")->size(), QSize(45, 90));

    w->split();
    const QString base = QString::fromStdString(dir.file("a_00"));
    EXPECT_EQ(listed(*w), (QStringList{base + "1.bmp", base + "2.bmp", base + "3.bmp"}));
    for (const QString& f : listed(*w)) EXPECT_TRUE(std::filesystem::exists(f.toStdString()));
    w->showFrameFile(1);
    EXPECT_EQ(w->findChild<QLabel*>("Pic_Gif")->size(), QSize(45, 90));

    w->chooseKind(1);
    w->toggleTransparency();
    EXPECT_TRUE(w->findChild<OptionImage*>("Img_File_1")->checked());
    EXPECT_TRUE(w->findChild<OptionImage*>("Img_Trans")->checked());
    w->split();
    EXPECT_EQ(listed(*w).size(), 3);
    EXPECT_TRUE(listed(*w)[0].endsWith("a_001.gif"));
    EXPECT_TRUE(dialogs.messages().isEmpty());

    w->close();  // the close box writes nothing
    EXPECT_EQ(ReadIni("G2G", "BMPGIF区分", IniPath()), "");
    delete w;
    w = new Nalo_G2G(dialogs);
    w->chooseKind(1);
    w->toggleTransparency();
    dialogs.fileAnswers.push_back(gif("c.gif", 1));
    w->chooseFile();
    w->exitWithSave();
    EXPECT_EQ(ReadIni("G2G", "BMPGIF区分", IniPath()), "1");
    EXPECT_EQ(ReadIni("G2G", "透過処理", IniPath()), "1");
    EXPECT_EQ(ReadIni("G2G", "ｱﾆﾒGIFﾌｫﾙﾀﾞ", IniPath()), dir.path().string());
    delete w;
    Nalo_G2G again(dialogs);
    EXPECT_TRUE(again.findChild<OptionImage*>("Img_File_1")->checked());
    EXPECT_EQ(again.transparencyOption(), 1);
}

TEST_F(G2GWindow, NotAGifShowsTheMessageAndPlayingListsNothing) {
    Nalo_G2G w(dialogs);
    writeText(dir.file("x.gif"), "GIF7 this is not a picture");
    dialogs.fileAnswers.push_back(QString::fromStdString(dir.file("x.gif")));
    w.chooseFile();
    w.split();
    EXPECT_EQ(dialogs.messages(), QStringList{"ｱﾆﾒｰｼｮﾝ Gifﾌｧｲﾙではありません！"});
    EXPECT_EQ(dialogs.calls.back().icon, MsgIcon::Exclamation);
    EXPECT_EQ(w.lstFiles()->count(), 0);

    dialogs.fileAnswers.push_back(gif("p.gif", 2));
    w.chooseFile();
    w.play();
    EXPECT_EQ(w.lstFiles()->count(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("p_001.bmp")));
}

TEST_F(G2GWindow, AClickDuringASplitStopsItAfterTheCurrentFrame) {
    Nalo_G2G w(dialogs);
    dialogs.fileAnswers.push_back(gif("long.gif", 40));
    w.chooseFile();
    QTimer clicker;
    clicker.setInterval(0);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        auto* preview = w.findChild<Nalo_Gif*>();
        if (!preview || w.lstFiles()->count() < 2) return;
        clicker.stop();
        QWidget* master = preview->findChild<QWidget*>("Master");
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), master->mapToGlobal(QPointF(1, 1)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(master, &press);
    });
    clicker.start();
    w.split();
    const QStringList names = listed(w);
    ASSERT_GE(names.size(), 2);
    EXPECT_LE(names.size(), 3);
    for (const QString& f : names) EXPECT_TRUE(std::filesystem::exists(f.toStdString()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("long_005.bmp")));
}

TEST_F(G2GWindow, AFileCutShortListsTheWholeFramesAndSaysWhereItEnds) {
    Nalo_G2G w(dialogs);
    const QString path = gif("cut.gif", 3);
    auto bytes = readFile(path.toStdString());
    bytes.resize(bytes.size() - 20);  // into the last frame's data
    writeFile(path.toStdString(), bytes);
    dialogs.fileAnswers.push_back(path);
    w.chooseFile();
    w.split();
    EXPECT_EQ(listed(w).size(), 2);
    EXPECT_EQ(dialogs.messages(), QStringList{path + "\r\nﾌｧｲﾙが途中で終わっています（ﾌﾚｰﾑ2 の後）"});
    EXPECT_FALSE(std::filesystem::exists(dir.file("cut_003.bmp")));
}
