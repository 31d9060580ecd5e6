#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "shell/ProgramState.h"
#include "shell/Settings.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "tools/tgapcx/ui/Nalo_TGAPCX.h"

using namespace nalo;
using namespace nalo::test;

namespace {

struct TgaPcxWindow : WithQtApp, ::testing::Test {
    void SetUp() override {
        if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
        ::setenv("NALO_APP_DIR", dir.path().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("NALO_APP_DIR"); }
    void make(const std::string& name, const std::string& size = "300x150") {
        ASSERT_EQ(runCommand("convert -size " + size + " xc:blue '" + dir.file(name) + "'"), 0);
    }
    QStringList items(QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }
    void openFolder(Nalo_TGAPCX& w) {
        dialogs.folderAnswers.push_back(QString::fromStdString(dir.path().string()));
        w.chooseFolder();
    }
    ScriptedDialogService dialogs;
    TempDir dir;
};

}  // namespace

TEST_F(TgaPcxWindow, KindChangeEmptiesTheListsAndPreviewsFit) {
    make("x.pcx");
    make("y.pcx", "150x300");
    make("x.tga");
    Nalo_TGAPCX w(dialogs);
    EXPECT_EQ(w.Combo_Kind()->count(), 21);
    w.setKind(3);  // PCX-->TGA
    EXPECT_EQ(w.findChild<QLabel*>("lbl_Get")->text(), "PCXﾌｧｲﾙ");
    EXPECT_EQ(w.findChild<QLabel*>("lbl_Put")->text(), "TGAﾌｧｲﾙ");
    openFolder(w);
    EXPECT_EQ(items(w.sourceList()), (QStringList{"x.pcx", "y.pcx"}));
    EXPECT_EQ(items(w.outputList()), (QStringList{"x.tga"}));
    EXPECT_EQ(w.findChild<QLabel*>("lbl_PreSize")->text(), "300 * 150");
    EXPECT_EQ(w.findChild<QLabel*>("Pic_K")->size(), QSize(100, 50));
    w.sourceList()->setCurrentRow(1);
    w.previewItem(w.sourceList());
    EXPECT_EQ(w.findChild<QLabel*>("Pic_K")->size(), QSize(50, 100));

    w.setKind(1);  // TGA-->PCX: the folder holds both types, the lists still empty
    EXPECT_EQ(w.sourceList()->count(), 0);
    EXPECT_EQ(w.outputList()->count(), 0);
}

TEST_F(TgaPcxWindow, OverwriteAndSkip) {
    make("x.pcx");
    writeText(dir.file("x.tga"), "old");
    Nalo_TGAPCX w(dialogs);
    w.setKind(3);
    openFolder(w);
    w.setOverwriteMode(1);
    w.selectAll(true);
    w.convert();
    EXPECT_EQ(dialogs.messages().back(), "正常終了！");
    EXPECT_EQ(readFile(dir.file("x.tga")).size(), 3u) << "skipped";
    EXPECT_EQ(w.outputList()->count(), 1);
    w.setOverwriteMode(0);
    w.convert();
    auto tga = readFile(dir.file("x.tga"));
    ASSERT_EQ(tga.size(), 18u + 300 * 150 * 3);
    EXPECT_EQ(tga[2], 2) << "uncompressed true colour";
    EXPECT_EQ(tga[16], 24);
    EXPECT_EQ(w.outputList()->count(), 1) << "no second x.tga";
}

TEST_F(TgaPcxWindow, ReadOnlyListedLastAndFailuresListed) {
    make("b.bmp");
    make("c.bmp");
    make("a.bmp");
    ::chmod(dir.file("a.bmp").c_str(), 0444);
    writeText(dir.file("d.bmp"), "BM broken");
    Nalo_TGAPCX w(dialogs);
    w.setKind(5);  // BMP-->PCX
    openFolder(w);
    EXPECT_EQ(items(w.sourceList()), (QStringList{"b.bmp", "c.bmp", "d.bmp", "a.bmp"}));
    w.convert();
    EXPECT_EQ(dialogs.messages().back(), "画像が選択されていません！");
    w.selectAll(true);
    w.convert();
    EXPECT_TRUE(dialogs.messages().back().contains("d.bmp"));
    EXPECT_FALSE(dialogs.messages().back().contains("正常終了"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("d.pcx")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("a.pcx")));
    EXPECT_EQ(w.outputList()->count(), 3);
}

TEST_F(TgaPcxWindow, SettingsOnExitOnly) {
    auto* w = new Nalo_TGAPCX(dialogs);
    w->setKind(7);
    openFolder(*w);
    w->show();
    w->close();
    EXPECT_EQ(ReadIni("TGAPCX", "種類", IniPath()), "");
    auto* w2 = new Nalo_TGAPCX(dialogs);
    w2->setKind(7);
    w2->show();
    w2->exitWithSave();
    EXPECT_EQ(ReadIni("TGAPCX", "種類", IniPath()), "7");
    Nalo_TGAPCX again(dialogs);
    EXPECT_EQ(again.kind(), 7);
    EXPECT_EQ(again.Combo_Kind()->currentText(), "GIF-->TGA");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
