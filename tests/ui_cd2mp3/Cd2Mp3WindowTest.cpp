#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <filesystem>

#include "controls/HoverButton.h"
#include "shell/ErrHandler.h"
#include "shell/ProgramState.h"
#include "shell/RuntimeError.h"
#include "shell/Settings.h"
#include "support/DiscImage.h"
#include "support/QtTestApp.h"
#include "tools/cd2mp3/ui/Nalo_CD2MP3.h"
#include "tools/cd2mp3/ui/Nalo_CDP.h"

using namespace nalo;
using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

struct FakeClock : cd2mp3::PlaybackClock {
    int64_t now = 0;
    int64_t milliseconds() const override { return now; }
};

struct Cd2Mp3Window : WithQtApp, ::testing::Test {
    void SetUp() override {
        disc = makeDiscImage(images, "disc", {75 * 65 + 40, 30, 100});  // 1:05.40, then two short tracks
        ::setenv("NALO_APP_DIR", settings.path().c_str(), 1);
        ::setenv("NALO_CD_IMAGES", images.path().c_str(), 1);
        fs::create_directory(out);
    }
    void TearDown() override {
        ::unsetenv("NALO_CD_IMAGES");
        ::unsetenv("NALO_APP_DIR");
    }
    QStringList items(QWidget& w, const char* name) {
        QStringList names;
        auto* list = w.findChild<QListWidget*>(name);
        for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
        return names;
    }
    QString label(QWidget& w, const char* name) { return w.findChild<QLabel*>(name)->text(); }
    bool enabled(QWidget& w, const char* name) { return w.findChild<HoverButton*>(name)->isEnabled(); }
    void chooseOut(Nalo_CD2MP3& w) {
        dialogs.folderAnswers.push_back(QString::fromStdString(out));
        w.chooseOutputFolder();
    }

    ComponentFolder components;
    TempDir images, settings;
    DiscImage disc;
    std::string out = settings.file("out");
    ScriptedDialogService dialogs;
};

}  // namespace

TEST_F(Cd2Mp3Window, ListsTracksAsksAboutExistingFilesAndKeepsItsSettings) {
    const std::string ini = IniPath();
    WriteIni("CD2MP3", "Bitrate", " 2", ini);
    WriteIni("CD2MP3", "MP3WAV区分", " 1", ini);
    writeText(out + "/Track 02.wav", "old");
    writeText(out + "/Track 03.wav", "unlisted");
    writeText(out + "/song.mp3", "x");
    QPointer<Nalo_CD2MP3> w = new Nalo_CD2MP3(dialogs);
    EXPECT_EQ(w->findChild<QComboBox*>("DriveList")->currentText(), "disc.cue");
    EXPECT_EQ(items(*w, "TrackList"), (QStringList{"Track 01", "Track 02", "Track 03"}));
    EXPECT_EQ(w->findChild<QComboBox*>("cmbBitrate")->currentText(), "48");
    EXPECT_EQ(w->findChild<QComboBox*>("cmbQuality")->currentText(), "Normal");
    EXPECT_EQ(w->outputMode(), 1);

    w->convert();
    EXPECT_EQ(dialogs.messages().back(), "ﾄﾗｯｸが選択されていません！");
    EXPECT_EQ(dialogs.calls.back().icon, MsgIcon::Exclamation);
    w->selectAll(0);
    w->convert();
    EXPECT_EQ(dialogs.messages().back(), "ｱｳﾄﾌﾟｯﾄﾌｫﾙﾀﾞが選択されていません！");
    chooseOut(*w);
    EXPECT_EQ(items(*w, "File_List"), (QStringList{"song.mp3", "Track 02.wav", "Track 03.wav"}));

    // Track 02 is listed, Track 03 is only on disk: both are asked about; No keeps them.
    fs::remove(out + "/Track 03.wav");
    writeText(out + "/Track 03.wav", "unlisted");
    w->findChild<QListWidget*>("File_List")->takeItem(2);
    dialogs.messageAnswers = {MsgResult::No, MsgResult::No};
    const size_t before = dialogs.calls.size();
    w->convert();
    ASSERT_EQ(dialogs.calls.size(), before + 2);
    EXPECT_EQ(dialogs.messages().back(), "同じﾌｧｲﾙ名があります。上書きしますか？");
    EXPECT_EQ(dialogs.calls.back().icon, MsgIcon::Question);
    EXPECT_EQ(readFile(out + "/Track 02.wav").size(), 3u);
    EXPECT_EQ(readFile(out + "/Track 03.wav").size(), 8u);
    EXPECT_EQ(fs::file_size(out + "/Track 01.wav"), 44u + (75 * 65 + 40) * 2352);
    EXPECT_EQ(items(*w, "File_List"), (QStringList{"song.mp3", "Track 02.wav", "Track 01.wav"}));
    EXPECT_EQ(w->progressWindow(), nullptr) << "unloaded after each track";
    // Yes to both in MP3 mode: new files, added once.
    w->setOutputMode(0);
    w->findChild<QComboBox*>("cmbBitrate")->setCurrentIndex(9);
    w->selectAll(1);
    w->findChild<QListWidget*>("TrackList")->item(1)->setSelected(true);
    w->convert();
    w->convert();
    EXPECT_EQ(items(*w, "File_List").count("Track 02.mp3"), 1);
    EXPECT_GT(fs::file_size(out + "/Track 02.mp3"), 1000u);

    w->exitWithSave();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    const auto saved = readFile(ini);
    const std::string text(saved.begin(), saved.end());
    for (const std::string& line : {std::string("MP3WAV区分= 0"), std::string("Bitrate= 9"), std::string("Quality= 1"), "Outputﾌｫﾙﾀﾞ=" + out})
        EXPECT_NE(text.find(line + "\n"), std::string::npos) << line << "\n" << text;
    // The close box writes nothing; a window opened without a folder stores "".
    Nalo_CD2MP3* again = new Nalo_CD2MP3(dialogs);
    again->setOutputMode(1);
    again->close();
    EXPECT_EQ(ReadIni("CD2MP3", "MP3WAV区分", ini), "0");
}

TEST_F(Cd2Mp3Window, ProgressBarInvertsTheTextInsideTheBar) {
    QWidget owner;
    Nalo_CDP p(&owner);
    p.ChangeProgress("/music/Track 03.wav", 50, 100);
    EXPECT_EQ(p.status(), "Output ﾌｧｲﾙ名 : Track 03.wav");
    const QImage& img = p.bar()->image;
    const int W = img.width(), H = img.height(), F = W / 2;
    const QRgb navy = qRgb(0, 0, 128), white = qRgb(255, 255, 255);
    int whiteInBar = 0, navyOutside = 0, other = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const QRgb c = img.pixel(x, y) | 0xFF000000u;
            if (x < F) whiteInBar += c == white;
            else navyOutside += c == navy;
            other += c != white && c != navy;
        }
    EXPECT_EQ(other, 0);
    EXPECT_GT(whiteInBar, 10) << "the text's pixels inside the bar";
    EXPECT_GT(navyOutside, 10) << "the text's pixels beside it";
    EXPECT_LT(whiteInBar, F * H / 4);
    EXPECT_EQ(img.pixel(1, 1) | 0xFF000000u, navy);
    EXPECT_EQ(img.pixel(W - 2, 1) | 0xFF000000u, white);
    CancelRequested = false;
    p.cancel();
    EXPECT_TRUE(CancelRequested);
    CancelRequested = false;
}

TEST_F(Cd2Mp3Window, CrashReporterOnlyWhileOpenAndTheCdTimer) {
    FakeClock clock;
    cd2mp3::NullAudioSink none;
    Nalo_CD2MP3* w = new Nalo_CD2MP3(dialogs, &clock, &none);
    EXPECT_TRUE(exceptionFilterInstalled());
    try {
        guardedCall([] { return test::touchNull(); });
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 10000);
    }
    EXPECT_FALSE(enabled(*w, "Cmd_PlayCD"));
    auto* tracks = w->findChild<QListWidget*>("TrackList");
    tracks->setCurrentRow(0);
    w->clickTrack();
    EXPECT_EQ(label(*w, "lblTrack"), "ﾄﾗｯｸNo : 1");
    EXPECT_TRUE(enabled(*w, "Cmd_PlayCD"));
    w->playCD();
    EXPECT_FALSE(enabled(*w, "Cmd_PlayCD"));
    w->timer1Tick();
    EXPECT_EQ(label(*w, "lblTime"), "1:05");
    EXPECT_EQ(label(*w, "lblTrack"), "ﾄﾗｯｸ : 1");
    clock.now = 63'000;  // two seconds left: the CD stops
    w->timer1Tick();
    EXPECT_EQ(label(*w, "lblTime"), "00:00");
    EXPECT_TRUE(enabled(*w, "Cmd_PlayCD"));
    EXPECT_FALSE(enabled(*w, "Cmd_StopCD"));
    // A disc image outside NALO_CD_IMAGES opened as a drive.
    TempDir elsewhere;
    const DiscImage other = makeDiscImage(elsewhere, "other", {10, 10, 10, 10});
    dialogs.fileAnswers.push_back(QString::fromStdString(other.cue));
    w->openImage();
    EXPECT_EQ(w->findChild<QComboBox*>("DriveList")->currentText(), "other.cue");
    EXPECT_EQ(tracks->count(), 4);
    w->close();
    EXPECT_FALSE(exceptionFilterInstalled());
}
