#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPainter>
#include <QPushButton>

#include "controls/Command.h"
#include "shell/ui/Decoration.h"
#include "shell/ui/Nalo_Menu.h"
#include "shell/ui/QtTranslation.h"
#include "shell/ui/ToolRegistry.h"
#include "shell/ui/ToolWindow.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"

using namespace nalo;

namespace {

struct Menu : test::WithQtApp, ::testing::Test {
    ScriptedDialogService dialogs;
};

}  // namespace

TEST_F(Menu, ButtonsSitAtTheirTwipsPositions) {
    Nalo_Menu menu(dialogs);
    EXPECT_EQ(menu.windowTitle(), "Nalo");
    const double tx = TwipsPerPixelX(), ty = TwipsPerPixelY();
    struct {
        int index, left, top, width;
        const char* caption;
    } expected[] = {{7, 240, 360, 3135, "BMP  --> JPG"},
                    {9, 3480, 2160, 3135, "BMP... --> BMP(補正減色)"},
                    {10, 240, 2760, 6375, "TGA、PCX、BMP、GIF、JPG --> BMP、TGA、PCX"},
                    {4, 240, 2160, 3135, "ｱﾆﾒGIF  -->  BMP、GIF"}};
    for (const auto& e : expected) {
        Command* c = menu.Cmd_1(e.index);
        ASSERT_NE(c, nullptr) << e.index;
        EXPECT_EQ(c->Caption(), QString::fromUtf8(e.caption));
        EXPECT_EQ(c->x(), static_cast<int>(e.left / tx));
        EXPECT_EQ(c->y(), static_cast<int>(e.top / ty));
        EXPECT_EQ(c->width(), static_cast<int>(e.width / tx));
        EXPECT_EQ(c->height(), static_cast<int>(495 / ty));
    }
    EXPECT_EQ(menu.Cmd_1(3)->width(), menu.Cmd_1(8)->width()) << "End takes the width of Cmd_1(8)";
    EXPECT_TRUE(menu.lbl()->text().endsWith("Ver.1.2.0"));
    EXPECT_EQ(menu.Cmd_1(2), nullptr);
    // A button is enabled exactly when its tool is built.
    for (const auto& entry : toolRegistry())
        EXPECT_EQ(menu.Cmd_1(entry.index)->isEnabled(), entry.factory != nullptr) << entry.index;
}

TEST_F(Menu, ToolButtonOpensOneWindowAndClosingTheMenuClosesAll) {
    const ToolEntry* built = nullptr;
    for (const auto& e : toolRegistry())
        if (e.factory) built = &e;
    if (!built) GTEST_SKIP() << "no tool window built";
    auto* menu = new Nalo_Menu(dialogs);
    menu->show();
    menu->Cmd_1(built->index)->click();
    QPointer<ToolWindow> first = menu->openTool(built->index);
    ASSERT_TRUE(first);
    menu->Cmd_1(built->index)->click();
    EXPECT_EQ(menu->openTool(built->index), first.data()) << "a second click only activates it";
    int windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<ToolWindow*>(w) && w->isVisible()) ++windows;
    EXPECT_EQ(windows, 1);
    menu->close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull() || !first->isVisible());
    delete menu;
}

TEST(Decoration, GradientBandIsNavyAtTheEdgesAndLightInTheMiddle) {
    test::qtApp();
    QImage img(10, 101, QImage::Format_RGB32);
    QPainter p(&img);
    PaintGradient(p, 10, 100);
    p.end();
    EXPECT_EQ(QColor(img.pixel(5, 0)), QColor(0, 0, 30));
    EXPECT_EQ(QColor(img.pixel(5, 50)), QColor(220, 220, 250));
    const auto& pics = sharedPictures();
    EXPECT_EQ(pics.Pic_Mbl.size(), QSize(1030, 23));
    EXPECT_EQ(pics.Img_Ra[1].size(), QSize(12, 12));
    EXPECT_EQ(pics.Img_Opt[0].size(), QSize(13, 13));
}

TEST(QtTranslation, StandardButtonsReadInJapanese) {
    test::WithQtApp app;
    ASSERT_TRUE(installQtJapanese(*QCoreApplication::instance())) << "qt6-translations-l10n missing";
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("キャンセル"));
}

TEST_F(Menu, ASettingsFileOver1MBIsReportedOnceAndLeftAlone) {
    test::TempDir dir;
    ::setenv("NALO_APP_DIR", dir.path().c_str(), 1);
    const std::string big = "[A]\nk=1\n" + std::string(1100 * 1024, ';');
    test::writeText(dir.file("Nalo.ini"), big);
    {
        Nalo_Menu menu(dialogs);
        menu.show();
        menu.hide();
        menu.show();
    }
    ::unsetenv("NALO_APP_DIR");
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains("Nalo.ini")) << dialogs.messages()[0].toStdString();
    EXPECT_EQ(test::readFile(dir.file("Nalo.ini")).size(), big.size());
}
