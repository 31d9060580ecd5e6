#include <gtest/gtest.h>

#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/PictureIo.h"
#include "shell/ProgramState.h"
#include "shell/ui/DropPaths.h"
#include "shell/ui/Nalo_Menu.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "tools/a2bj/ui/Nalo_A2BJ.h"
#include "tools/avi2gif/ui/Nalo_AVI2GIF.h"
#include "tools/b2j/ui/Nalo_B2J.h"
#include "tools/bj2a/ui/Nalo_BJ2A.h"
#include "tools/cdepth/ui/Nalo_CDepth.h"
#include "tools/g2g/ui/Nalo_G2G.h"
#include "tools/pic2ico/ui/Nalo_Pic2Ico.h"
#include "tools/tgapcx/ui/Nalo_TGAPCX.h"

using namespace nalo;
using namespace nalo::test;

namespace {

// A 1 x 1 GIF of `frames` frames.
std::vector<uint8_t> tinyGif(int frames) {
    std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
    for (int i = 0; i < frames; ++i)
        b.insert(b.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0});
    b.push_back(0x3B);
    return b;
}

struct Drop : WithQtApp, ::testing::Test {
    void SetUp() override {
        ::setenv("NALO_APP_DIR", app.path().c_str(), 1);
        Dib picture(40, 30, 24);
        savePictureBmp(picture, dir.file("pic.bmp"));
        writeFile(dir.file("anim.gif"), tinyGif(2));
        writeFile(dir.file("still.gif"), tinyGif(1));
        for (const char* name : {"clip.avi", "clip.mp4", "clip.webm", "pic.pcx", "pic.tga", "notes.txt", "pic.webp", "pic.tiff"})
            writeText(dir.file(name), "not a picture");
        runCommand("convert '" + dir.file("pic.bmp") + "' '" + dir.file("shot.png") + "'");
    }
    void TearDown() override { ::unsetenv("NALO_APP_DIR"); }
    QString path(const char* name) const { return QString::fromStdString(dir.file(name)); }
    QString folder() const { return QString::fromStdString(dir.path().string()); }

    struct Drag {
        explicit Drag(const QStringList& paths) {
            QList<QUrl> urls;
            for (const QString& p : paths) urls << (p.startsWith("http") ? QUrl(p) : QUrl::fromLocalFile(p));
            mime.setUrls(urls);
        }
        // Whether `w` takes the drag (else the pointer shows "forbidden").
        bool enter(QWidget* w) {
            QDragEnterEvent e(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w, &e);
            return e.isAccepted();
        }
        QMimeData mime;
    };
    static bool dragAccepted(QWidget* w, const QStringList& paths) { return Drag(paths).enter(w); }
    // Drags `paths` onto `w`, drops them and lets the deferred open run; true when the
    // drop was accepted (a drag refused on entering never drops).
    static bool drop(QWidget* w, const QStringList& paths) {
        Drag drag(paths);
        if (!drag.enter(w)) return false;
        QDropEvent e(QPointF(5, 5), Qt::CopyAction, &drag.mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
        QCoreApplication::processEvents();
        return e.isAccepted();
    }

    ScriptedDialogService dialogs;
    TempDir app, dir;
};

QString folderLabel(QWidget* w) { return w->findChild<QLabel*>("Folder_Path")->text(); }

}  // namespace

TEST_F(Drop, FolderToolsOpenTheDroppedFolderOrTheFilesFolder) {
    struct Case {
        const char* window;
        std::function<ToolWindow*()> make;
        const char* dropped;  // nullptr: the folder itself
        std::function<QString(ToolWindow*)> shownFolder;
    } cases[] = {
        {"TGAPCX", [&] { return new Nalo_TGAPCX(dialogs); }, nullptr, folderLabel},
        {"B2J", [&] { return new Nalo_B2J(dialogs); }, "pic.bmp", folderLabel},
        {"BJ2A", [&] { return new Nalo_BJ2A(dialogs); }, "notes.txt",
         [](ToolWindow* w) { return static_cast<Nalo_BJ2A*>(w)->folder(); }},
    };
    for (const auto& c : cases) {
        std::unique_ptr<ToolWindow> w(c.make());
        const QString dropped = c.dropped ? path(c.dropped) : folder();
        EXPECT_FALSE(dragAccepted(w.get(), {folder() + "/missing"})) << c.window;
        EXPECT_FALSE(dragAccepted(w.get(), {"https://example.com/a.bmp"})) << c.window;
        EXPECT_TRUE(dragAccepted(w.get(), {dropped})) << c.window;
        EXPECT_TRUE(drop(w.get(), {dropped})) << c.window;
        EXPECT_EQ(c.shownFolder(w.get()), folder()) << c.window;
        EXPECT_TRUE(dialogs.messages().isEmpty()) << c.window;
    }
    // A dropped source the current kind does not read switches to a kind that does.
    Nalo_TGAPCX tgapcx(dialogs);
    tgapcx.setKind(0);
    ASSERT_TRUE(drop(&tgapcx, {path("pic.pcx")}));
    EXPECT_EQ(tgapcx.Combo_Kind()->currentText(), "PCX-->BMP");
    EXPECT_EQ(folderLabel(&tgapcx), folder());
}

TEST_F(Drop, FileToolsOpenOneFileOfTheirDialogsFilter) {
    struct Case {
        const char* window;
        std::function<ToolWindow*()> make;
        const char* good;
        const char* wrong;
        std::function<bool(ToolWindow*)> opened;
    } cases[] = {
        {"CDepth", [&] { return new Nalo_CDepth(dialogs); }, "pic.bmp", "pic.tga",
         [](ToolWindow* w) { return static_cast<Nalo_CDepth*>(w)->WorkPicture().Width() == 40; }},
        {"CDepth", [&] { return new Nalo_CDepth(dialogs); }, "shot.png", "pic.tga",
         [](ToolWindow* w) { return static_cast<Nalo_CDepth*>(w)->WorkPicture().Width() == 40; }},
        {"Pic2Ico", [&] { return new Nalo_Pic2Ico(dialogs); }, "pic.bmp", "clip.avi",
         [&](ToolWindow* w) { return static_cast<Nalo_Pic2Ico*>(w)->shared().SourcePath == dir.file("pic.bmp"); }},
        {"G2G", [&] { return new Nalo_G2G(dialogs); }, "anim.gif", "pic.bmp",
         [&](ToolWindow* w) { return static_cast<Nalo_G2G*>(w)->gifFolder() == folder(); }},
        // Not a real AVI: the window answers with its own loading message.
        {"AVI2GIF", [&] { return new Nalo_AVI2GIF(dialogs); }, "clip.avi", "anim.gif",
         [&](ToolWindow*) { return dialogs.messages() == QStringList{"loading error AVI file"}; }},
        {"A2BJ", [&] { return new Nalo_A2BJ(dialogs); }, "clip.avi", "pic.bmp",
         [&](ToolWindow*) { return AviFolder == dir.path().string() && dialogs.messages().size() == 1; }},
        // Other video containers go the same way.
        {"AVI2GIF", [&] { return new Nalo_AVI2GIF(dialogs); }, "clip.mp4", "notes.txt",
         [&](ToolWindow*) { return dialogs.messages() == QStringList{"loading error AVI file"}; }},
        {"A2BJ", [&] { return new Nalo_A2BJ(dialogs); }, "clip.webm", "notes.txt",
         [&](ToolWindow*) { return AviFolder == dir.path().string() && dialogs.messages().size() == 1; }},
    };
    for (const auto& c : cases) {
        dialogs.calls.clear();
        AviFolder.clear();
        std::unique_ptr<ToolWindow> w(c.make());
        EXPECT_FALSE(dragAccepted(w.get(), {path(c.wrong)})) << c.window;
        EXPECT_FALSE(dragAccepted(w.get(), {folder()})) << c.window << ": a folder";
        EXPECT_FALSE(dragAccepted(w.get(), {path(c.good), path(c.good)})) << c.window << ": two files";
        EXPECT_FALSE(drop(w.get(), {path(c.wrong)})) << c.window;
        EXPECT_TRUE(dialogs.calls.empty()) << c.window << ": a refused drop does nothing";
        EXPECT_TRUE(dragAccepted(w.get(), {path(c.good)})) << c.window;
        EXPECT_TRUE(drop(w.get(), {path(c.good)})) << c.window;
        EXPECT_TRUE(c.opened(w.get())) << c.window;
    }
}

TEST_F(Drop, MenuOpensTheToolForTheFilesType) {
    const struct {
        const char* file;
        int tool;
    } cases[] = {{"pic.bmp", 9}, {"still.gif", 9}, {"anim.gif", 4}, {"pic.tga", 10},
                 {"pic.pcx", 10}, {"clip.avi", 5}, {"clip.mp4", 5}, {"clip.webm", 5}, {"notes.txt", -1},
                 {"shot.png", 9}, {"pic.webp", 9},  {"pic.tiff", 9}};
    for (const auto& c : cases) EXPECT_EQ(MenuToolFor(path(c.file)), c.tool) << c.file;

    Nalo_Menu menu(dialogs);
    EXPECT_FALSE(dragAccepted(&menu, {path("notes.txt")}));
    EXPECT_FALSE(dragAccepted(&menu, {path("pic.bmp"), path("anim.gif")}));
    ASSERT_TRUE(dragAccepted(&menu, {path("anim.gif")}));
    ASSERT_TRUE(drop(&menu, {path("anim.gif")}));
    auto* splitter = qobject_cast<Nalo_G2G*>(menu.openTool(4));
    ASSERT_NE(splitter, nullptr);
    EXPECT_EQ(splitter->shared().FrameFileBase, dir.file("anim")) << "the splitter has the file";
}
