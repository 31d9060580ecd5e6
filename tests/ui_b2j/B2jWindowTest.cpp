#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <cstdlib>

#include "controls/Command.h"
#include "shell/ProgramState.h"
#include "shell/Settings.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "tools/b2j/ui/Nalo_B2J.h"

using namespace nalo;
using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

struct B2jWindow : WithQtApp, ::testing::Test {
    void SetUp() override {
        if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
        ::setenv("NALO_APP_DIR", dir.path().c_str(), 1);
        for (const char* n : {"a.bmp", "b.bmp"})
            runCommand("convert -size 300x150 xc:red BMP3:'" + dir.file(n) + "'");
    }
    void TearDown() override { ::unsetenv("NALO_APP_DIR"); }
    // Records the calls instead of running the component.
    b2j::JpegEncoder fake() {
        return [this](const std::string& bmp, const std::string& jpg, int q) {
            encoded.push_back({bmp, jpg, q});
            writeText(jpg, "jpeg");
            return true;
        };
    }
    struct Call {
        std::string bmp, jpg;
        int quality;
    };
    std::vector<Call> encoded;
    ScriptedDialogService dialogs;
    TempDir dir;
};

}  // namespace

TEST_F(B2jWindow, SliderRunsFromHundredAtTheLeftToFortyShowingEighty) {
    Nalo_B2J w(dialogs, fake());
    auto* slider = w.findChild<QSlider*>("HS_Press");
    EXPECT_EQ(slider->value(), 100) << "a missing 圧縮率 keeps the slider at 100";
    EXPECT_EQ(w.compressionValue(), 0);
    EXPECT_EQ(w.findChild<QLabel*>("lbl_Press")->text(), "20");
    slider->setValue(slider->minimum());  // fully right
    EXPECT_EQ(slider->value(), 40);
    EXPECT_EQ(w.findChild<QLabel*>("lbl_Press")->text(), "80");
}

TEST_F(B2jWindow, ConvertsTheSelectionWithMessages) {
    Nalo_B2J w(dialogs, fake());
    dialogs.folderAnswers.push_back(QString::fromStdString(dir.path().string()));
    w.chooseFolder();
    auto* list = w.findChild<QListWidget*>("List_BMP");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(w.findChild<QLabel*>("lbl_PreSize")->text(), "300 * 150");
    EXPECT_EQ(w.findChild<QLabel*>("Pic_K")->size(), QSize(100, 50));

    w.convert();
    EXPECT_EQ(dialogs.messages().back(), "画像が選択されていません！");
    w.selectAll(true);
    w.setSizeMode(1);
    w.findChild<QLineEdit*>("Pic_Width")->setText("320");
    w.findChild<QLineEdit*>("Pic_Height")->setText("x");
    w.convert();
    EXPECT_EQ(dialogs.messages().back(), "Error 画像ｻｲｽﾞの指定");
    EXPECT_TRUE(encoded.empty());
    w.findChild<QLineEdit*>("Pic_Height")->setText("240");
    w.convert();
    EXPECT_EQ(dialogs.messages().back(), "正常終了！");
    ASSERT_EQ(encoded.size(), 2u);
    EXPECT_EQ(fs::path(encoded[0].bmp).parent_path(), dir.path());
    EXPECT_EQ(fs::path(encoded[0].bmp).filename().string().rfind("Dumy2.", 0), 0u) << encoded[0].bmp;
    EXPECT_EQ(encoded[0].jpg, dir.file("a.jpg"));
    EXPECT_EQ(encoded[0].quality, 100);
    EXPECT_FALSE(fs::exists(encoded[0].bmp));
    EXPECT_EQ(w.findChild<QListWidget*>("List_JPG")->count(), 2);
    w.convert();  // replacing does not list them twice
    EXPECT_EQ(w.findChild<QListWidget*>("List_JPG")->count(), 2);
}

TEST_F(B2jWindow, ExitSavesTheSectionAndLoadResetsSizeMode) {
    SizeMode = 1;
    auto* w = new Nalo_B2J(dialogs, fake());
    EXPECT_EQ(SizeMode, 0);
    EXPECT_FALSE(w->findChild<QLineEdit*>("Pic_Width")->isEnabled());
    w->findChild<QSlider*>("HS_Press")->setValue(70);
    w->setOverwriteMode(1);
    w->show();
    w->exitWithSave();
    EXPECT_EQ(ReadIni("B2J", "圧縮率", IniPath()), "70");
    EXPECT_EQ(ReadIni("B2J", "上書き", IniPath()), "1");
    Nalo_B2J again(dialogs, fake());
    EXPECT_EQ(again.findChild<QSlider*>("HS_Press")->value(), 70);
    EXPECT_EQ(OverwriteMode, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
