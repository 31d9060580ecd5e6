#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>

#include "controls/Command.h"
#include "controls/HoverButton.h"
#include "controls/OptionImage.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "tools/tgapcx/ui/Nalo_TGAPCX.h"

using namespace nalo;

TEST(Focus, TabWalksTheWindowInLayoutOrder) {
    test::qtApp();
    test::TempDir app, dir;
    ::setenv("NALO_APP_DIR", app.path().c_str(), 1);
    test::writeText(dir.file("a.tga"), "x");
    {
        ScriptedDialogService dialogs;
        Nalo_TGAPCX w(dialogs);
        w.setKind(0);
        w.openFolder(QString::fromStdString(dir.path().string()));  // enables the list buttons
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        w.findChild<QWidget*>("Cmd_Folder")->setFocus();
        QStringList visited;
        for (int i = 0; i < 10; ++i) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        EXPECT_EQ(visited, QStringList({"Cmd_Folder", "List_get", "List_put", "Combo_Kind", "Img_Dup_0", "Img_Dup_1",
                                        "Cmd_AllSel", "Cmd_AllReset", "Cmd_Henkan", "Cmd_Can"}));
        EXPECT_EQ(QApplication::focusWidget()->objectName(), "Cmd_Folder") << "the walk wraps round";
    }
    ::unsetenv("NALO_APP_DIR");
}

TEST(Focus, SpaceAndEnterActOnEveryControlKindAndFocusIsDrawn) {
    test::qtApp();
    Command command(QStringLiteral("変換"));
    HoverButton hover(QStringLiteral("ﾌｫﾙﾀﾞ"));
    OptionImage option(OptionImage::Look::Check);
    struct Case {
        QWidget* widget;
        const char* signal;
    } cases[] = {{&command, SIGNAL(clicked())}, {&hover, SIGNAL(clicked())}, {&option, SIGNAL(mouseDown())}};
    for (const auto& c : cases) {
        c.widget->resize(std::max(c.widget->width(), 40), std::max(c.widget->height(), 20));
        QSignalSpy spy(c.widget, c.signal);
        EXPECT_TRUE(c.widget->focusPolicy() & Qt::TabFocus) << c.widget->metaObject()->className();
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(c.widget, key);
        EXPECT_EQ(spy.count(), 3) << c.widget->metaObject()->className();

        // Focus changes the drawing (the dotted frame).
        c.widget->show();
        c.widget->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(c.widget));
        c.widget->clearFocus();
        const QImage plain = c.widget->grab().toImage();
        c.widget->setFocus();
        ASSERT_TRUE(c.widget->hasFocus());
        EXPECT_NE(c.widget->grab().toImage(), plain) << c.widget->metaObject()->className();
        c.widget->hide();
    }
}
