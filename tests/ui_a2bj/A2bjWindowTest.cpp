#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QScrollBar>
#include <cstdlib>
#include <filesystem>

#include "codecs/LittleEndian.h"
#include "controls/Command.h"
#include "shell/ProgramState.h"
#include "shell/Settings.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "tools/a2bj/ui/Nalo_A2BJ.h"

using namespace nalo;
using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

struct A2bjWindow : WithQtApp, ::testing::Test {
    void SetUp() override {
        if (!haveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
        ::setenv("NALO_APP_DIR", dir.path().c_str(), 1);
        OverwriteMode = 0;
        fs::create_directory(out);
    }
    void TearDown() override { ::unsetenv("NALO_APP_DIR"); }
    QString avi(const std::string& name, int frames) {
        const std::string path = dir.file(name);
        EXPECT_EQ(runCommand("ffmpeg -loglevel error -y -f lavfi -i testsrc=size=16x12:rate=25 -frames:v " +
                             std::to_string(frames) + " -c:v rawvideo -pix_fmt bgr24 '" + path + "'"),
                  0);
        return QString::fromStdString(path);
    }
    // Chooses the AVI and the output folder.
    void prepare(Nalo_A2BJ& w, const QString& path) {
        dialogs.fileAnswers.push_back(path);
        w.chooseAvi();
        dialogs.folderAnswers.push_back(QString::fromStdString(out));
        w.chooseFolder();
    }
    QLineEdit* edit(QWidget& w, const char* name) { return w.findChild<QLineEdit*>(name); }
    QString label(QWidget& w, const char* name) { return w.findChild<QLabel*>(name)->text(); }
    QStringList listed(QWidget& w) {
        QStringList names;
        auto* list = w.findChild<QListWidget*>("List1");
        for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
        return names;
    }

    ScriptedDialogService dialogs;
    TempDir dir;
    std::string out = dir.file("out");
};

}  // namespace

TEST_F(A2bjWindow, InputChecksInOrderThenTheQuestionsCount) {
    Nalo_A2BJ w(dialogs);
    EXPECT_FALSE(w.findChild<Command*>("Cmd_File")->isEnabled());
    dialogs.fileAnswers.push_back(avi("a.avi", 100));
    w.chooseAvi();
    EXPECT_EQ(dialogs.calls.back().request.title, "ﾌｧｲﾙを開く");
    EXPECT_EQ(label(w, "lbl_Flame_FT"), "0 ～ 99");
    EXPECT_EQ(label(w, "lbl_Flame_Size"), "16 * 12");
    EXPECT_EQ(edit(w, "Flame_To")->text(), "99");
    EXPECT_EQ(w.findChild<QScrollBar*>("HS_Frame")->maximum(), 99);

    struct Step {
        const char* field;
        const char* text;
        const char* message;
    } steps[] = {
        {"Flame_From", "a", "Error ﾌﾚｰﾑ指定 From"},    {"Flame_From", "9", nullptr},
        {"Flame_To", "", "Error ﾌﾚｰﾑ指定 To"},         {"Flame_To", "8", "Error ﾌﾚｰﾑ指定 From > To"},
        {"Flame_To", "10", nullptr},                   {"Flame_Skip", "", "Error ﾌﾚｰﾑを？枚おきに保存"},
        {"Flame_Skip", "0", "Error 保存先ﾌｫﾙﾀﾞ"},
    };
    for (const Step& s : steps) {
        edit(w, s.field)->setText(QString::fromUtf8(s.text));
        if (!s.message) continue;
        w.createFiles();
        EXPECT_EQ(dialogs.messages().back(), QString::fromUtf8(s.message)) << s.field << " " << s.text;
        EXPECT_EQ(dialogs.calls.back().icon, MsgIcon::Information);
    }
    dialogs.folderAnswers.push_back(QString::fromStdString(out));
    w.chooseFolder();
    w.toggleSizeChange();
    EXPECT_TRUE(edit(w, "Pic_Width")->isEnabled());
    edit(w, "Pic_Width")->setText("0");
    w.createFiles();
    EXPECT_EQ(dialogs.messages().back(), "Error 画像ｻｲｽﾞの変更");
    w.toggleSizeChange();
    EXPECT_FALSE(edit(w, "Pic_Width")->isEnabled());

    // The whole stream every third frame: 34 files; No ends the handler.
    edit(w, "Flame_From")->setText("0");
    edit(w, "Flame_To")->setText("99");
    edit(w, "Flame_Skip")->setText("3");
    dialogs.messageAnswers.push_back(MsgResult::No);
    w.createFiles();
    EXPECT_EQ(dialogs.messages().back(), "34 枚のBMPﾌｧｲﾙを作成しますか?");
    EXPECT_EQ(dialogs.calls.back().icon, MsgIcon::Question);
    EXPECT_EQ(dialogs.calls.back().caption, "Nalo");
    EXPECT_TRUE(fs::is_empty(out));
    // From-To limits the run; a step of 0 becomes 1 before the question.
    edit(w, "Flame_From")->setText("9");
    edit(w, "Flame_To")->setText("10");
    edit(w, "Flame_Skip")->setText("0");
    edit(w, "Pic_File")->setText("name");
    w.createFiles();
    EXPECT_EQ(edit(w, "Flame_Skip")->text(), "1");
    EXPECT_EQ(dialogs.messages()[dialogs.messages().size() - 2], "2 枚のBMPﾌｧｲﾙを作成しますか?");
    EXPECT_EQ(dialogs.messages().back(), "ﾌｧｲﾙを作成しました。(正常終了)");
    EXPECT_EQ(listed(w), (QStringList{"name0009.bmp", "name0010.bmp"}));
}

TEST_F(A2bjWindow, StopEndsTheRunAfterTheCurrentFrame) {
    Nalo_A2BJ w(dialogs);
    prepare(w, avi("a.avi", 30));
    auto* file = w.findChild<Command*>("Cmd_File");
    auto* stop = w.findChild<Command*>("Cmd_Stop");
    EXPECT_FALSE(stop->isEnabled());
    bool lockedDuringRun = false;
    QMetaObject::invokeMethod(
        &w,
        [&] {
            lockedDuringRun = !file->isEnabled() && stop->isEnabled() && w.running();
            stop->click();
        },
        Qt::QueuedConnection);
    w.createFiles();
    EXPECT_TRUE(lockedDuringRun);
    EXPECT_EQ(listed(w), QStringList{"0000.bmp"});
    EXPECT_EQ(dialogs.messages().back(), "ﾌｧｲﾙを作成しました。(正常終了)");
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_TRUE(file->isEnabled());
}

TEST_F(A2bjWindow, RejectedAvisAndThePreviews) {
    Nalo_A2BJ w(dialogs);
    writeText(dir.file("junk.avi"), std::string(3000, 'x'));
    dialogs.fileAnswers.push_back(QString::fromStdString(dir.file("junk.avi")));
    w.chooseAvi();
    EXPECT_EQ(dialogs.messages().back(), QString::fromStdString("Error : \r\n" + dir.file("junk.avi")));
    EXPECT_EQ(label(w, "lbl_Fname"), "");

    // A stream whose codec has no decoder cannot be read at 24 bits.
    const QString good = avi("a.avi", 3);
    auto bytes = readFile(good.toStdString());
    const auto strf = std::search(bytes.begin(), bytes.end(), "strf", "strf" + 4) - bytes.begin();
    putLe32(&bytes[strf + 8 + 16], mmioFOURCC('Z', 'Z', 'Z', 'Z'));
    writeFile(dir.file("zz.avi"), bytes);
    dialogs.fileAnswers.push_back(QString::fromStdString(dir.file("zz.avi")));
    w.chooseAvi();
    EXPECT_EQ(dialogs.messages().back(), QString::fromStdString("Error : AVI 256色は無効 \r\n" + dir.file("zz.avi")));
    EXPECT_EQ(label(w, "lbl_Fname"), "");
    EXPECT_FALSE(w.findChild<Command*>("Cmd_File")->isEnabled());

    prepare(w, good);
    w.findChild<QScrollBar*>("HS_Frame")->setValue(2);
    EXPECT_EQ(label(w, "Frame_Cnt"), "2");
    w.previewFrame();
    EXPECT_EQ(w.findChild<QLabel*>("Pic_Pre")->size(), QSize(81, 61));
    EXPECT_EQ(label(w, "lbl_Pic_Size"), "16 * 12");
    const size_t shown = dialogs.messages().size();
    w.createFiles();
    auto* list = w.findChild<QListWidget*>("List1");
    ASSERT_EQ(list->count(), 3);
    w.findChild<QLabel*>("lbl_Pic_Size")->clear();
    list->setCurrentRow(1);
    w.previewListItem();
    EXPECT_EQ(label(w, "lbl_Pic_Size"), "16 * 12");
    EXPECT_EQ(dialogs.messages().size(), shown + 2);  // the question and the closing message only
}

TEST_F(A2bjWindow, SettingsOnlyThroughExit) {
    auto* w = new Nalo_A2BJ(dialogs);
    prepare(*w, avi("a.avi", 2));
    w->setOverwriteMode(1);
    w->findChild<QLineEdit*>("Pic_File")->setText("clip");
    w->show();
    w->close();
    EXPECT_EQ(ReadIni("A2BJ", "保存先のﾌｫﾙﾀﾞ", IniPath()), "");
    auto* w2 = new Nalo_A2BJ(dialogs);
    EXPECT_EQ(w2->findChild<QLineEdit*>("Txt_Folder")->text(), "");
    prepare(*w2, avi("a.avi", 2));
    w2->findChild<QLineEdit*>("Pic_File")->setText("clip");
    w2->setOverwriteMode(1);
    w2->show();
    w2->exitWithSave();
    EXPECT_EQ(ReadIni("A2BJ", "AVIﾌｫﾙﾀﾞ", IniPath()), dir.path().string());
    EXPECT_EQ(ReadIni("A2BJ", "保存先のﾌｫﾙﾀﾞ", IniPath()), out);
    EXPECT_EQ(ReadIni("A2BJ", "保存ﾌｧｲﾙ名", IniPath()), "clip");
    const auto ini = readFile(IniPath());
    EXPECT_NE(std::string(ini.begin(), ini.end()).find("上書き= 1"), std::string::npos);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Nalo_A2BJ w3(dialogs);
    EXPECT_EQ(w3.findChild<QLineEdit*>("Pic_File")->text(), "clip");
    EXPECT_EQ(OverwriteMode, 1);
}
