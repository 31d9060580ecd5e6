#include <gtest/gtest.h>

#include <QLabel>
#include <QTimer>
#include <array>
#include <cstdlib>
#include <filesystem>

#include "controls/Command.h"
#include "controls/OptionImage.h"
#include "platform/PictureIo.h"
#include "shell/ui/DialogService.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "tools/pic2ico/ThumbShrink.h"
#include "tools/pic2ico/ui/Nalo_Thumb.h"
#include "ui_pic2ico_dialogs/DialogTestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

constexpr ColourValue Marker = rgb(1, 2, 3);

struct ThumbDialog : WithQtApp, ::testing::Test {
    void SetUp() override {
        ::setenv("NALO_APP_DIR", dir.path().c_str(), 1);
        icon.fill(Marker);
    }
    void TearDown() override { ::unsetenv("NALO_APP_DIR"); }
    void usePicture(const Dib& picture) {
        savePictureBmp(picture, dir.file("pic.bmp"));
        shared.SourcePath = dir.file("pic.bmp");
    }
    static Command* command(Nalo_Thumb& d, const char* name) { return d.findChild<Command*>(name); }
    static OptionImage* option(Nalo_Thumb& d, const char* kind, int i) {
        return d.findChild<OptionImage*>(QString("Img_%1_%2").arg(kind).arg(i));
    }
    // Which results can be selected, and which one shows as selected.
    static std::array<bool, 4> selectable(Nalo_Thumb& d) {
        std::array<bool, 4> r{};
        for (int q = 0; q < 4; ++q) {
            r[q] = option(d, "Sel", q)->isEnabled();
            EXPECT_EQ(d.findChild<QLabel*>(QString("lbl_Sel_%1").arg(q))->isEnabled(), r[q]);
        }
        return r;
    }
    static int selected(Nalo_Thumb& d) {
        int found = -1;
        for (int q = 0; q < 4; ++q)
            if (option(d, "Sel", q)->checked()) {
                EXPECT_EQ(found, -1) << "only one result shows as selected";
                found = q;
            }
        return found;
    }
    // The picture a result box shows.
    static QImage shown(Nalo_Thumb& d, int q) {
        return d.findChild<QLabel*>(QString("picHigh_%1").arg(q))->pixmap().toImage();
    }
    static bool sameAs(const Dib& a, const Dib& b) {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (a.pixel(x, y) != b.pixel(x, y)) return false;
        return true;
    }
    ScriptedDialogService dialogs;
    TempDir dir;
    Pic2IcoShared shared;
    Dib icon{32, 32, 24};
};

}  // namespace

TEST_F(ThumbDialog, OpensWithTheSavedPreparationAndNoResults) {
    shared.ShrinkMode = 1;
    Nalo_Thumb d(dialogs, shared, icon);
    EXPECT_EQ(d.windowTitle(), "高画質に縮小してｷｬﾌﾟﾁｬｰ");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(option(d, "Pr", i)->checked(), i == 1);
    EXPECT_EQ(d.findChild<QLabel*>("lbl_Pr_1")->text(), "縦横比率を維持し縮小(余白ｶｯﾄ)");
    EXPECT_EQ(selectable(d), (std::array<bool, 4>{}));
    EXPECT_EQ(selected(d), -1);
    EXPECT_TRUE(command(d, "Cmd_OK")->isEnabled());
    const QImage box = shown(d, 0);
    EXPECT_EQ(box.size(), QSize(32, 32));
    EXPECT_EQ(box.pixelColor(16, 16), QColor(redOf(shrinkBackground()), greenOf(shrinkBackground()),
                                             blueOf(shrinkBackground())));
}

TEST_F(ThumbDialog, LargePictureGivesFourResultsAndOkTakesTheChosenOne) {
    usePicture(quadrants(64, 64));
    Nalo_Thumb d(dialogs, shared, icon);
    command(d, "cmdLoad")->click();
    EXPECT_EQ(selectable(d), (std::array<bool, 4>{true, true, true, true}));
    EXPECT_EQ(selected(d), 3);
    EXPECT_EQ(d.chosenResult(), 3);
    EXPECT_EQ(shown(d, 3).pixelColor(8, 8).name(), "#ff0000");

    // Choosing another result, then OK, copies that one.
    click(d.findChild<QLabel*>("lbl_Sel_1"));
    EXPECT_EQ(selected(d), 1);
    ASSERT_TRUE(command(d, "Cmd_OK")->isEnabled());
    command(d, "Cmd_OK")->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(shared.Captured);
    EXPECT_TRUE(sameAs(icon, d.results().pictures[1]));
    EXPECT_EQ(quadrantColours(icon), (std::array<ColourValue, 4>{Red, Blue, Green, Black}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("stretch.bmp")));
}

TEST_F(ThumbDialog, IconSizedPictureGivesQualitiesZeroAndOne) {
    usePicture(quadrants(32, 32));
    Nalo_Thumb d(dialogs, shared, icon);
    command(d, "cmdLoad")->click();
    EXPECT_EQ(selectable(d), (std::array<bool, 4>{true, true, false, false}));
    EXPECT_EQ(selected(d), 1);
    click(option(d, "Sel", 3));  // disabled: stays on 1
    EXPECT_EQ(d.chosenResult(), 1);
    command(d, "Cmd_OK")->click();
    EXPECT_TRUE(shared.Captured);
    EXPECT_TRUE(sameAs(icon, quadrants(32, 32)));
}

TEST_F(ThumbDialog, ChangingThePreparationDiscardsResultsAndDisablesOk) {
    usePicture(quadrants(64, 32));
    Nalo_Thumb d(dialogs, shared, icon);
    command(d, "cmdLoad")->click();
    ASSERT_EQ(selected(d), 3);
    // Kept as it is, a 64 x 32 picture leaves bands of the box colour above and below.
    EXPECT_EQ(d.results().pictures[3].pixel(8, 2), shrinkBackground());

    click(d.findChild<QLabel*>("lbl_Pr_0"));  // the current mode: nothing changes
    EXPECT_TRUE(command(d, "Cmd_OK")->isEnabled());
    EXPECT_EQ(selected(d), 3);

    click(option(d, "Pr", 2));
    EXPECT_EQ(shared.ShrinkMode, 2);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(option(d, "Pr", i)->checked(), i == 2);
    EXPECT_FALSE(command(d, "Cmd_OK")->isEnabled());
    EXPECT_EQ(selectable(d), (std::array<bool, 4>{}));
    EXPECT_EQ(selected(d), -1);
    EXPECT_NE(shown(d, 3).pixelColor(8, 8).name(), "#ff0000");
    command(d, "Cmd_OK")->click();
    EXPECT_FALSE(shared.Captured);

    // Stretched to a square, the picture fills the whole icon.
    command(d, "cmdLoad")->click();
    EXPECT_TRUE(command(d, "Cmd_OK")->isEnabled());
    EXPECT_EQ(d.results().pictures[3].pixel(8, 2), Red);
    EXPECT_FALSE(std::filesystem::exists(dir.file("stretch.bmp")));
}

TEST_F(ThumbDialog, OkBeforeShrinkingTakesTheEmptyFirstResult) {
    Nalo_Thumb d(dialogs, shared, icon);
    command(d, "Cmd_OK")->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(shared.Captured);
    EXPECT_EQ(icon.pixel(0, 0), shrinkBackground());
    EXPECT_EQ(icon.pixel(31, 31), shrinkBackground());
}

TEST_F(ThumbDialog, CancelAndUnreadablePicturesLeaveTheIcon) {
    shared.SourcePath = dir.file("missing.bmp");
    Nalo_Thumb d(dialogs, shared, icon);
    command(d, "cmdLoad")->click();
    EXPECT_EQ(selectable(d), (std::array<bool, 4>{}));
    EXPECT_TRUE(dialogs.messages().isEmpty());
    command(d, "Cmd_Can")->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_FALSE(shared.Captured);
    EXPECT_EQ(icon.pixel(5, 5), Marker);
}

TEST_F(ThumbDialog, ModalRunReturnsWithTheChosenResult) {
    usePicture(quadrants(64, 64));
    Nalo_Thumb d(dialogs, shared, icon);
    QTimer::singleShot(0, &d, [&] {
        command(d, "cmdLoad")->click();
        command(d, "Cmd_OK")->click();
    });
    EXPECT_EQ(d.exec(), QDialog::Accepted);
    EXPECT_TRUE(shared.Captured);
    EXPECT_TRUE(sameAs(icon, d.results().pictures[3]));
}
