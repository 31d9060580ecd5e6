#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "controls/Command.h"
#include "platform/PictureIo.h"
#include "shell/Settings.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "tools/cdepth/ui/Nalo_CDepth.h"

using namespace nalo;
using namespace nalo::test;

namespace {

struct CDepthWindow : WithQtApp, ::testing::Test {
    void SetUp() override {
        ::setenv("NALO_APP_DIR", dir.path().c_str(), 1);
        Dib picture(40, 30, 24);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                picture.setPixel(x, y, rgb(static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 8), 90));
        savePictureBmp(picture, dir.file("pic.bmp"));
    }
    void TearDown() override { ::unsetenv("NALO_APP_DIR"); }
    bool enabled(Nalo_CDepth& w, const char* name) { return w.findChild<Command*>(name)->isEnabled(); }
    ScriptedDialogService dialogs;
    TempDir dir;
};

}  // namespace

TEST_F(CDepthWindow, OptionRules) {
    Nalo_CDepth w(dialogs);
    EXPECT_TRUE(w.optColourDepth(2)->isChecked()) << "256色 at start";
    EXPECT_TRUE(w.optReduceMethod(0)->isChecked());
    EXPECT_FALSE(w.optFloydStucciType(0)->isChecked());
    EXPECT_FALSE(w.optFloydStucciType(1)->isChecked());
    EXPECT_FALSE(enabled(w, "cmdConvert"));

    dialogs.fileAnswers.push_back(QString::fromStdString(dir.file("pic.bmp")));
    w.chooseFile();
    EXPECT_TRUE(w.optColourDepth(3)->isChecked()) << "loading selects full colour";
    EXPECT_FALSE(w.optReduceMethod(1)->isEnabled());
    EXPECT_FALSE(w.optReduceMethod(2)->isEnabled());
    EXPECT_TRUE(enabled(w, "cmdConvert"));
    EXPECT_FALSE(enabled(w, "cmdReset")) << "reset comes only after a conversion";
    EXPECT_EQ(w.WorkPicture().Width(), 40);

    w.optColourDepth(2)->click();
    EXPECT_TRUE(w.optFloydStucciType(0)->isChecked()) << "256色 selects ﾊｰﾌﾄｰﾝ";
    EXPECT_FALSE(w.optFloydStucciType(0)->isEnabled()) << "but keeps it disabled until 効果";
    EXPECT_TRUE(w.optReduceMethod(2)->isEnabled());
    w.optReduceMethod(1)->click();
    EXPECT_TRUE(w.optFloydStucciType(0)->isEnabled());
    w.optColourDepth(1)->click();
    EXPECT_FALSE(w.optFloydStucciType(0)->isChecked());
    EXPECT_FALSE(w.optReduceMethod(2)->isEnabled());
    EXPECT_TRUE(w.optReduceMethod(0)->isChecked());
}

TEST_F(CDepthWindow, ConvertResetSaveCycle) {
    Nalo_CDepth w(dialogs);
    dialogs.fileAnswers.push_back(QString::fromStdString(dir.file("pic.bmp")));
    w.chooseFile();
    w.optColourDepth(1)->click();
    w.convert();
    EXPECT_EQ(dialogs.messages().back(), "変換しました(正常終了)");
    EXPECT_FALSE(enabled(w, "cmdConvert"));
    EXPECT_TRUE(enabled(w, "cmdReset"));
    EXPECT_TRUE(enabled(w, "cmdSave"));

    dialogs.fileAnswers.push_back(QString::fromStdString(dir.file("missing/out.bmp")));
    w.save();
    EXPECT_EQ(dialogs.calls.back().kind, ScriptedDialogService::Kind::Message) << "the failure is shown";
    EXPECT_TRUE(enabled(w, "cmdSave")) << "the window stays usable";

    dialogs.fileAnswers.push_back(QString::fromStdString(dir.file("out.bmp")));
    w.save();
    ASSERT_TRUE(std::filesystem::exists(dir.file("out.bmp")));
    auto bytes = readFile(dir.file("out.bmp"));
    EXPECT_EQ(bytes[28], 4) << "a 16-colour file";
    EXPECT_FALSE(enabled(w, "cmdConvert"));
    EXPECT_FALSE(enabled(w, "cmdReset"));
    EXPECT_FALSE(enabled(w, "cmdSave"));
    EXPECT_EQ(w.SaveFolder().toStdString(), dir.path().string());

    w.reset();
    EXPECT_TRUE(w.optColourDepth(3)->isChecked());
    EXPECT_TRUE(enabled(w, "cmdConvert"));
}

TEST_F(CDepthWindow, UndecodablePictureAndSettings) {
    writeText(dir.file("bad.jpg"), "not a picture");
    auto* w = new Nalo_CDepth(dialogs);
    dialogs.fileAnswers.push_back(QString::fromStdString(dir.file("bad.jpg")));
    w->chooseFile();
    ASSERT_FALSE(dialogs.messages().isEmpty());
    EXPECT_TRUE(dialogs.messages().back().startsWith("Error load file '" + QString::fromStdString(dir.file("bad.jpg")) + "'\r\n"));
    EXPECT_TRUE(w->findChild<Command*>("cmdConvert")->isEnabled());
    w->show();
    w->close();
    EXPECT_EQ(ReadIni("CDepth", "PIC_Getﾌｫﾙﾀﾞ", IniPath()), "") << "the close box saves nothing";
    auto* w2 = new Nalo_CDepth(dialogs);
    w2->show();
    w2->exitWithSave();
    EXPECT_EQ(ReadIni("CDepth", "PIC_Getﾌｫﾙﾀﾞ", IniPath()), dir.path().string());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
