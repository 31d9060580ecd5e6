#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <filesystem>

#include "controls/Command.h"
#include "controls/OptionImage.h"
#include "platform/PictureIo.h"
#include "shell/Settings.h"
#include "shell/ui/Nalo_Menu.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "tools/pic2ico/ui/Nalo_ImageCap.h"
#include "tools/pic2ico/ui/Nalo_Pic2Ico.h"
#include "tools/pic2ico/ui/Nalo_PicColor.h"
#include "tools/pic2ico/ui/Nalo_Thumb.h"

using namespace nalo;
using namespace nalo::test;

namespace {

void savePicture(const std::string& path, int w, int h) {
    Dib picture(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.setPixel(x, y, rgb(static_cast<uint8_t>(x * 3), static_cast<uint8_t>(y * 5), 77));
    savePictureBmp(picture, path);
}

void press(QWidget* target, int x, int y) {
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(x, y), target->mapToGlobal(QPointF(x, y)), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
}

struct Pic2IcoWindow : WithQtApp, ::testing::Test {
    void SetUp() override {
        ::setenv("NALO_APP_DIR", dir.path().c_str(), 1);
        std::filesystem::create_directory(dir.path() / "pics");
        pics = QString::fromStdString((dir.path() / "pics").string());
        savePicture(file("wide.bmp"), 300, 150);
        savePicture(file("tiny.bmp"), 31, 40);
        savePicture(file("square.bmp"), 32, 32);
    }
    void TearDown() override { ::unsetenv("NALO_APP_DIR"); }

    std::string file(const std::string& name) const { return (dir.path() / "pics" / name).string(); }
    Command* command(Nalo_Pic2Ico& w, const char* name) { return w.findChild<Command*>(name); }
    QLabel* label(QWidget& w, const char* name) { return w.findChild<QLabel*>(name); }
    std::string ini(const char* key) { return ReadIni("PIC2ICO", key, IniPath()); }

    // A window showing `name` of the pictures folder, whose capture dialogs are answered by
    // `captured` (true: the dialog puts a pattern into the icon picture and confirms).
    void open(Nalo_Pic2Ico& w, const QString& name) {
        ASSERT_TRUE(w.setFolder(pics));
        w.chooseFile(name);
        w.setModalRunner([this, &w](QDialog& d) {
            ++dialogsRun;
            lastKind = dynamic_cast<Nalo_ImageCap*>(&d) ? "region" : dynamic_cast<Nalo_Thumb*>(&d) ? "shrink" : "other";
            if (!captureAnswer || dynamic_cast<Nalo_PicColor*>(&d)) return;
            Dib& icon = w.IconImage();
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    icon.setPixel(x, y, x < 8 ? rgb(255, 0, 0) : rgb(0, static_cast<uint8_t>(y * 8), 200));
            w.shared().Captured = true;
        });
    }

    ScriptedDialogService dialogs;
    TempDir dir;
    QString pics;
    bool captureAnswer = true;
    int dialogsRun = 0;
    std::string lastKind;  // the dialog the capture ran
};

}  // namespace

TEST_F(Pic2IcoWindow, FileListPreviewAndFolderChange) {
    writeText(file("B.GIF"), "x");
    writeText(file("c.Jpg"), "x");
    writeText(file("d.png"), "x");
    writeText(file("e.txt"), "x");
    std::filesystem::create_directory(dir.path() / "pics" / "sub");
    Nalo_Pic2Ico w(dialogs);
    EXPECT_EQ(w.windowTitle(), "BMP、JPG、GIF  --> ICO");
    ASSERT_TRUE(w.setFolder(pics));
    auto* files = w.findChild<QListWidget*>("File1");
    QStringList names;
    for (int i = 0; i < files->count(); ++i) names << files->item(i)->text();
    EXPECT_EQ(names, QStringList({"B.GIF", "c.Jpg", "d.png", "square.bmp", "tiny.bmp", "wide.bmp"}));
    EXPECT_FALSE(command(w, "Cmd_Sel")->isEnabled());

    files->setCurrentRow(names.indexOf("wide.bmp"));
    EXPECT_EQ(label(w, "Pic_K")->size(), QSize(100, 50));
    EXPECT_EQ(label(w, "lbl_Size")->text(), "300 * 150");
    EXPECT_EQ(w.shared().SourcePath, file("wide.bmp"));
    EXPECT_TRUE(command(w, "Cmd_Sel")->isEnabled());

    // Dir1 holds the chain down to the folder, then its subfolders; activating one moves there.
    auto* dirs = w.findChild<QListWidget*>("Dir1");
    QListWidgetItem* sub = dirs->item(dirs->count() - 1);
    EXPECT_EQ(sub->text().trimmed(), "sub");
    EXPECT_EQ(dirs->currentItem()->text().trimmed(), "pics");
    emit dirs->itemActivated(sub);
    EXPECT_EQ(w.folder(), pics + "/sub");
    EXPECT_EQ(files->count(), 0);
    EXPECT_FALSE(command(w, "Cmd_Sel")->isEnabled()) << "a folder change disables capturing";
    EXPECT_EQ(label(w, "lbl_Size")->text(), "");
    EXPECT_EQ(label(w, "Pic_K")->size(), QSize(100, 100));

    EXPECT_FALSE(w.setFolder(pics + "/missing"));
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(w.folder(), pics + "/sub") << "an unreadable folder leaves the lists as they were";
}

TEST_F(Pic2IcoWindow, UndecodablePictureKeepsThePreviousOne) {
    writeText(file("bad.bmp"), "BM this is not a bitmap");
    Nalo_Pic2Ico w(dialogs);
    open(w, "wide.bmp");
    w.chooseFile("bad.bmp");
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains("bad.bmp"));
    EXPECT_EQ(dialogs.calls.back().icon, MsgIcon::Exclamation);
    EXPECT_EQ(label(w, "lbl_Size")->text(), "300 * 150");
    EXPECT_EQ(label(w, "Pic_K")->size(), QSize(100, 50));
    EXPECT_EQ(w.shared().SourcePath, file("wide.bmp")) << "the capture dialogs must not read the bad file";
    command(w, "Cmd_Sel")->click();
    EXPECT_EQ(dialogsRun, 1) << "the previous picture can still be captured";
    EXPECT_TRUE(command(w, "Cmd_Set")->isEnabled());
}

TEST_F(Pic2IcoWindow, CaptureNeeds32PixelsAndRunsTheDialogOfTheMode) {
    Nalo_Pic2Ico w(dialogs);
    open(w, "tiny.bmp");
    command(w, "Cmd_Sel")->click();
    EXPECT_EQ(dialogs.messages(), QStringList{"ｻｲｽﾞは 32 * 32 (ﾋﾟｸｾﾙ) 以上必要です。"});
    EXPECT_EQ(dialogs.calls.back().icon, MsgIcon::Information);
    EXPECT_EQ(dialogsRun, 0);

    w.chooseFile("square.bmp");
    captureAnswer = false;  // cancelled
    command(w, "Cmd_Sel")->click();
    EXPECT_EQ(dialogsRun, 1);
    EXPECT_FALSE(w.shared().Captured);
    for (const char* name : {"Cmd_TrnColor", "Cmd_C", "Cmd_Set"})
        EXPECT_FALSE(command(w, name)->isEnabled()) << name;

    captureAnswer = true;
    w.setCaptureMode(1);
    command(w, "Cmd_Sel")->click();
    EXPECT_EQ(lastKind, "shrink");
    for (const char* name : {"Cmd_TrnColor", "Cmd_C", "Cmd_Set"})
        EXPECT_TRUE(command(w, name)->isEnabled()) << name;

    // A fit option belongs to the region capture and selects it.
    auto* fit = w.findChild<ClickLabel*>("lbl_Fit_1");
    emit fit->mouseDown();
    EXPECT_EQ(w.shared().FitSide, 1);
    EXPECT_EQ(w.shared().CaptureMode, 0);
    EXPECT_TRUE(w.findChild<OptionImage*>("Img_Sel_0")->checked());
    EXPECT_FALSE(w.findChild<OptionImage*>("Img_Sel_1")->checked());
    EXPECT_TRUE(w.findChild<OptionImage*>("Img_Fit_1")->checked());
    captureAnswer = false;
    command(w, "Cmd_Sel")->click();
    EXPECT_EQ(lastKind, "region");
    EXPECT_TRUE(command(w, "Cmd_Set")->isEnabled()) << "the icon buttons stay enabled after a success";
}

TEST_F(Pic2IcoWindow, ModalCaptureDialogClosedByAKeyCapturesNothing) {
    Nalo_Pic2Ico w(dialogs);
    ASSERT_TRUE(w.setFolder(pics));
    w.chooseFile("square.bmp");
    for (int mode : {0, 1}) {
        w.setCaptureMode(mode);
        bool seen = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!modal) return;
            seen = true;
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(modal, &esc);
            if (modal->isVisible()) modal->reject();
        });
        answer.start(20);
        command(w, "Cmd_Sel")->click();
        EXPECT_TRUE(seen) << mode;
        EXPECT_FALSE(w.shared().Captured) << mode;
        EXPECT_FALSE(command(w, "Cmd_Set")->isEnabled()) << mode;
    }
}

TEST_F(Pic2IcoWindow, TransparentColourFromIconPixelColourDialogAndPicker) {
    Nalo_Pic2Ico w(dialogs);
    EXPECT_EQ(w.transparentColour(), rgb(0, 0, 0)) << "black until chosen";
    open(w, "square.bmp");
    command(w, "Cmd_Sel")->click();

    press(label(w, "IconImage"), 20, 9);
    EXPECT_EQ(w.transparentColour(), rgb(0, 72, 200));

    dialogs.colourAnswers.push_back(rgb(1, 2, 3));
    command(w, "Cmd_C")->click();
    EXPECT_EQ(w.transparentColour(), rgb(1, 2, 3));
    dialogs.colourAnswers.push_back(std::nullopt);
    command(w, "Cmd_C")->click();
    EXPECT_EQ(w.transparentColour(), rgb(1, 2, 3)) << "cancel keeps the colour";
    EXPECT_EQ(dialogs.calls.back().kind, ScriptedDialogService::Kind::Colour);

    w.setModalRunner([](QDialog& d) {
        auto* picker = dynamic_cast<Nalo_PicColor*>(&d);
        ASSERT_NE(picker, nullptr);
        picker->pickAt(8 * 3 + 7, 8 * 30 + 2);  // icon pixel (3, 30)
    });
    command(w, "Cmd_TrnColor")->click();
    EXPECT_EQ(w.transparentColour(), rgb(255, 0, 0));
}

TEST_F(Pic2IcoWindow, IconFileAtEachDepthWithTheChosenTransparentColour) {
    Nalo_Pic2Ico w(dialogs);
    open(w, "square.bmp");
    command(w, "Cmd_Sel")->click();
    w.pickIconPixel(2, 5);  // the red band, columns 0..7
    const int sizes[4] = {326, 766, 2238, 3266}, bits[4] = {1, 4, 8, 24};
    for (int c = 0; c < 4; ++c) {
        emit w.findChild<ClickLabel*>(QString("lbl_Color_%1").arg(c))->mouseDown();
        const std::string out = (dir.path() / ("icon" + std::to_string(c) + ".ico")).string();
        dialogs.fileAnswers.push_back(QString::fromStdString(out));
        command(w, "Cmd_Set")->click();
        const FileDialogRequest& r = dialogs.calls.back().request;
        EXPECT_EQ(r.title, "ﾌｧｲﾙ名を付けて保存");
        EXPECT_EQ(r.folder, pics) << "the save dialog starts in the file list's folder";
        EXPECT_TRUE(r.filter.contains("*.ico"));
        EXPECT_EQ(r.defaultSuffix, "ico");
        const auto bytes = readFile(out);
        ASSERT_EQ(bytes.size(), static_cast<size_t>(sizes[c])) << bits[c];
        EXPECT_EQ(bytes[2] | bytes[3] << 8, 1) << "icon resource";
        EXPECT_EQ(bytes[6], 32);
        EXPECT_EQ(bytes[22 + 14] | bytes[22 + 15] << 8, bits[c]);
        // AND mask: the red columns 0..7 of every row are transparent, nothing else.
        for (size_t row = 0; row < 32; ++row) {
            const size_t at = bytes.size() - 128 + row * 4;
            EXPECT_EQ(bytes[at], 0xFF) << row;
            EXPECT_EQ(bytes[at + 1] | bytes[at + 2] | bytes[at + 3], 0) << row;
        }
    }
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(w.iconFolder().toStdString(), dir.path().string());
}

TEST_F(Pic2IcoWindow, FailedIconSaveIsReportedAndTheWindowStaysUsable) {
    writeText(file("plain.txt"), "a file, not a folder");
    Nalo_Pic2Ico w(dialogs);
    open(w, "square.bmp");
    command(w, "Cmd_Sel")->click();
    const QString bad = QString::fromStdString(file("plain.txt") + "/out.ico");
    dialogs.fileAnswers.push_back(bad);
    command(w, "Cmd_Set")->click();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains(bad));
    EXPECT_EQ(dialogs.calls.back().icon, MsgIcon::Exclamation);

    dialogs.fileAnswers.push_back(QString::fromStdString(file("good.ico")));
    command(w, "Cmd_Set")->click();
    EXPECT_EQ(readFile(file("good.ico")).size(), 2238u);
    EXPECT_EQ(dialogs.messages().size(), 1);
}

TEST_F(Pic2IcoWindow, SettingsAreWrittenOnlyThroughExit) {
    {
        QPointer<Nalo_Pic2Ico> w = new Nalo_Pic2Ico(dialogs);
        EXPECT_TRUE(w->findChild<OptionImage*>("Img_Sel_1")->checked()) << "shrink capture by default";
        EXPECT_TRUE(w->findChild<OptionImage*>("Img_Color_2")->checked()) << "256 colours by default";
        w->setFolder(pics);
        w->setIconColours(3);
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(w.isNull());
        EXPECT_EQ(ini("色の幅"), "") << "the close box saves nothing";
    }
    {
        QPointer<Nalo_Pic2Ico> w = new Nalo_Pic2Ico(dialogs);
        w->setFolder(pics);
        w->setFitSide(1);
        w->setIconColours(0);
        w->shared().ShrinkMode = 2;
        w->findChild<Command*>("Cmd_Can")->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(w.isNull());
    }
    EXPECT_EQ(ini("ｷｬﾌﾟﾁｬｰ"), "0");
    EXPECT_EQ(ini("幅高さ区分"), "1");
    EXPECT_EQ(ini("色の幅"), "0");
    EXPECT_EQ(ini("優先ｻｲｽﾞ"), "2");
    EXPECT_EQ(ini("Fileﾌｫﾙﾀﾞ"), pics.toStdString());

    WriteIni("PIC2ICO", "色の幅", " 9", IniPath());
    Nalo_Pic2Ico again(dialogs);
    EXPECT_EQ(again.folder(), pics) << "the lists start in the saved folder";
    EXPECT_EQ(again.shared().FitSide, 1);
    EXPECT_EQ(again.shared().CaptureMode, 0);
    EXPECT_TRUE(again.findChild<OptionImage*>("Img_Fit_1")->checked());
    EXPECT_EQ(again.shared().IconColours, 2) << "an unknown depth falls back to 256 colours";
    EXPECT_TRUE(again.findChild<OptionImage*>("Img_Color_2")->checked());
}

TEST_F(Pic2IcoWindow, DriveListMovesTheFoldersAndRefusesAMissingDrive) {
    std::filesystem::create_directory(dir.path() / "vol");
    const QString vol = QString::fromStdString((dir.path() / "vol").string());
    const QString gone = QString::fromStdString((dir.path() / "gone").string());
    Nalo_Pic2Ico w(dialogs);
    ASSERT_TRUE(w.setFolder(pics));
    auto* drives = w.findChild<QComboBox*>("Drive1");
    const QString before = drives->currentText();
    drives->addItem(gone);
    drives->addItem(vol);

    drives->setCurrentText(gone);
    EXPECT_EQ(dialogs.messages(), QStringList{"ﾄﾞﾗｲﾌﾞ" + gone + " は、準備されていません。"});
    EXPECT_EQ(dialogs.calls.back().icon, MsgIcon::Exclamation);
    EXPECT_EQ(drives->currentText(), before) << "the drive list goes back to the folder's drive";
    EXPECT_EQ(w.folder(), pics);

    drives->setCurrentText(vol);
    EXPECT_EQ(w.folder(), vol);
    EXPECT_EQ(w.findChild<QListWidget*>("Dir1")->item(0)->text(), vol) << "the folder list starts at the drive";
}

TEST(MountPoints, BrowsableOnesOnlyEachOnce) {
    const std::string table =
        "proc /proc proc rw 0 0\n"
        "sysfs /sys sysfs rw 0 0\n"
        "cgroup /sys/fs/cgroup/cpu cgroup rw 0 0\n"
        "tmpfs /dev/shm tmpfs rw 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
        "/dev/sda2 / ext4 rw 0 0\n"
        "/dev/sda3 /home ext4 rw 0 0\n"
        "/dev/sda1 /boot/efi vfat rw 0 0\n"
        "/dev/sdb1 /media/me/USB\\040STICK vfat rw 0 0\n"
        "/dev/sdc1 /mnt/data ntfs3 rw 0 0\n"
        "/dev/sdc1 /mnt/data ntfs3 rw 0 0\n"
        "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
        "/dev/sdd1 /run/media/me/CARD exfat rw 0 0\n";
    const QStringList points = browsableMountPoints(table);
    EXPECT_EQ(points, QStringList({"/", "/home", "/media/me/USB STICK", "/mnt/data", "/run/media/me/CARD"}));
    EXPECT_EQ(browsableMountPoints(""), QStringList{"/"});
    EXPECT_EQ(mountPointOf(points, "/home/me/pics"), "/home");
    EXPECT_EQ(mountPointOf(points, "/homework"), "/");
    EXPECT_EQ(mountPointOf(points, "/mnt/data"), "/mnt/data");
}

TEST_F(Pic2IcoWindow, ColourPickerTakesTheIconPixelOfTheBlockPressed) {
    Dib icon(32, 32, 24);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) icon.setPixel(x, y, rgb(static_cast<uint8_t>(x * 8), static_cast<uint8_t>(y * 8), 9));
    for (QPoint at : {QPoint(5 * 8, 7 * 8), QPoint(5 * 8 + 7, 7 * 8 + 7), QPoint(5 * 8 + 3, 7 * 8 + 6)}) {
        ColourValue transparent = 0;
        Nalo_PicColor picker(icon, transparent);
        EXPECT_EQ(picker.size(), QSize(256, 256));
        QLabel* pic = picker.findChild<QLabel*>("Pic_C");
        EXPECT_EQ(pic->toolTip(), "透過色を選択します。");
        EXPECT_EQ(pic->cursor().shape(), Qt::BitmapCursor);
        picker.show();
        press(pic, at.x(), at.y());
        EXPECT_EQ(transparent, icon.pixel(5, 7)) << at.x() << "," << at.y();
        EXPECT_EQ(picker.result(), QDialog::Accepted);
        EXPECT_FALSE(picker.isVisible()) << "one press closes it";
    }
}

TEST_F(Pic2IcoWindow, MenuButtonOpensTheTool) {
    auto* menu = new Nalo_Menu(dialogs);
    ASSERT_NE(menu->Cmd_1(8), nullptr);
    EXPECT_TRUE(menu->Cmd_1(8)->isEnabled());
    menu->show();
    menu->Cmd_1(8)->click();
    auto* tool = qobject_cast<Nalo_Pic2Ico*>(menu->openTool(8));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->slot(), 9);
    menu->close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(Pic2IcoWindow, ShrinkDialogResultBecomesTheIcon) {
    Nalo_Pic2Ico w(dialogs);
    ASSERT_TRUE(w.setFolder(pics));
    w.chooseFile("wide.bmp");
    const ColourValue before = w.IconImage().pixel(16, 16);
    w.setModalRunner([](QDialog& d) {
        auto* thumb = dynamic_cast<Nalo_Thumb*>(&d);
        ASSERT_NE(thumb, nullptr);
        thumb->shrink();
        thumb->ok();
    });
    command(w, "Cmd_Sel")->click();
    EXPECT_TRUE(w.shared().Captured);
    EXPECT_NE(w.IconImage().pixel(16, 16), before) << "the shrink was drawn into the window's icon picture";
    EXPECT_TRUE(command(w, "Cmd_Set")->isEnabled());
    dialogs.fileAnswers.push_back(QString::fromStdString(file("shrunk.ico")));
    command(w, "Cmd_Set")->click();
    EXPECT_EQ(readFile(file("shrunk.ico")).size(), 2238u);
}
