#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <filesystem>
#include <functional>
#include <zlib.h>

#include "codecs/LittleEndian.h"
#include "codecs/clsFileIo.h"
#include "shell/ProgramState.h"
#include "shell/RuntimeError.h"
#include "support/DiscImage.h"
#include "tools/cd2mp3/TrackCopy.h"
#include "tools/cd2mp3/TrackNames.h"

using namespace nalo;
using namespace nalo::cd2mp3;
using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

// Records what a copy shows; `onEvents` runs where the window would let events run.
struct RecordingHost : CopyHost {
    int shown = 0, unloaded = 0;
    std::vector<float> progress;
    std::vector<std::pair<UserMessage, std::string>> messages;
    std::function<void()> onEvents;
    void ShowProgress() override { ++shown; }
    void ChangeProgress(const std::string&, float cur, float) override { progress.push_back(cur); }
    void UnloadProgress() override { ++unloaded; }
    void letEventsRun() override {
        if (onEvents) onEvents();
    }
    void message(const UserMessage& m, const std::string& caption) override { messages.push_back({m, caption}); }
};

struct Pipeline : ::testing::Test {
    ComponentFolder components;
    TempDir images, out;
    CdReader reader;
    CdDrive drive{reader};

    // Lists and opens the image as drive `index`.
    void open(const DiscImage& d) {
        const uint32_t position = reader.AddCDImage(d.cue);
        ASSERT_GT(position, 0u);
        ASSERT_TRUE(drive.OpenCDDrive(int(position) - 1));
    }
    std::string file(const std::string& name) { return out.file(name); }
};

void expectWav(const std::vector<uint8_t>& wav, const uint8_t* frames, size_t frameCount) {
    ASSERT_EQ(wav.size(), 44 + frameCount * 2352);
    EXPECT_EQ(getLe32(&wav[4]), frameCount * 2352 + 36);
    EXPECT_EQ(getLe32(&wav[40]), frameCount * 2352);
    EXPECT_EQ(std::memcmp(wav.data() + 44, frames, frameCount * 2352), 0);
}

double probeDuration(const std::string& path, std::string* rate) {
    std::string text;
    runCommand("ffprobe -v error -show_entries stream=sample_rate,duration -of csv=p=0 '" + path + "'", &text);
    const auto comma = text.find(',');
    if (rate) *rate = text.substr(0, comma);
    return comma == std::string::npos ? -1 : std::atof(text.c_str() + comma + 1);
}

}  // namespace

TEST(WavHeader, LayoutAndOverwriteOfALongerFile) {
    TempDir dir;
    const std::string path = dir.file("a.wav");
    writeFile(path, std::vector<uint8_t>(10000, 7));
    clsFileIo f;
    ASSERT_TRUE(f.OpenFile(path));
    std::vector<uint8_t> frame(2352, 1);
    ASSERT_TRUE(f.writeWavHeader(2352));
    ASSERT_TRUE(f.WriteBytes(frame.data(), frame.size()));
    ASSERT_TRUE(f.CloseFile());
    const auto wav = readFile(path);
    ASSERT_EQ(wav.size(), 2396u);
    const uint8_t head[] = {'R', 'I', 'F', 'F', 0x54, 0x09, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                            16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0,
                            'd', 'a', 't', 'a', 0x30, 0x09, 0, 0};
    EXPECT_EQ(std::memcmp(wav.data(), head, 44), 0);
    const auto empty = WavHeader(0);
    EXPECT_EQ(getLe32(&empty[4]), 36u);
    EXPECT_EQ(getLe32(&empty[40]), 0u);
    EXPECT_THROW(WavHeader(WavMaxLength + 1), RuntimeError);
    // An object dropped before CloseFile leaves the target as it was.
    {
        clsFileIo g;
        ASSERT_TRUE(g.OpenFile(path));
        g.writeWavHeader(0);
    }
    EXPECT_EQ(readFile(path).size(), 2396u);
    clsFileIo h;
    EXPECT_FALSE(h.OpenFile(dir.file("no/such/folder.wav")));
    EXPECT_FALSE(h.WriteBytes(frame.data(), 1));
    EXPECT_FALSE(h.CloseFile());
}

TEST_F(Pipeline, WavRipsAreBitExactInBlocksOf26) {
    // 15000 frames: 576 blocks of 26 and one of 24; a track shorter than one block.
    const DiscImage d = makeDiscImage(images, "disc", {15000, 10, 300});
    open(d);
    ASSERT_EQ(drive.TrackCount(), 3);
    EXPECT_EQ(drive.GetTrackLBA(1), 15000);
    EXPECT_EQ(drive.GetTrackLBA(3), 15310);
    EXPECT_EQ(drive.GetTrackLBA(4), 0);
    for (int track : {1, 2, 3}) {
        RecordingHost host;
        const std::string path = OutputPath(out.path().string(), track, OutputMode::Wav);
        const CopyResult r = RipTrackToWav(drive, host, path, drive.GetTrackLBA(track - 1), drive.GetTrackLBA(track));
        EXPECT_EQ(r.outcome, CopyOutcome::Complete);
        const size_t n = size_t(d.lengths[size_t(track - 1)]);
        expectWav(readFile(path), d.audio(track), n);
        EXPECT_EQ(r.crc32, ::crc32(0, d.audio(track), uInt(n * 2352)));
        EXPECT_EQ(host.shown, 1);
        EXPECT_EQ(host.unloaded, 1);
        EXPECT_EQ(host.progress.size(), (n + 25) / 26) << track;
        EXPECT_EQ(host.progress.back(), float(n));
    }
    EXPECT_EQ(fs::file_size(file("Track 01.wav")), 35280044u);
    EXPECT_EQ(OutputPath("/", 3, OutputMode::Wav), "/Track 03.wav");
    EXPECT_EQ(OutputPath("/music", 12, OutputMode::Mp3), "/music/Track 12.mp3");
}

// An unfinished track (Cancel, a failed read) leaves nothing under its own name: what
// was read is a valid, shorter file under the incomplete name, and a skip run rips it.
TEST_F(Pipeline, UnfinishedTracksAreKeptOnlyUnderTheIncompleteName) {
    const DiscImage d = makeDiscImage(images, "disc", {400, 200});
    open(d);
    RecordingHost host;
    int blocks = 0;
    host.onEvents = [&] {
        if (++blocks == 3) CancelRequested = true;
    };
    const Mp3Encoder encoder;
    const LameConfig config = MakeLameConfig(128, 0);
    auto copy = [&](OutputMode mode, const std::string& path, int32_t first, int32_t end) {
        return mode == OutputMode::Wav ? RipTrackToWav(drive, host, path, first, end)
                                       : EncodeTrackToMp3(drive, encoder, host, path, first, end, config);
    };
    for (OutputMode mode : {OutputMode::Wav, OutputMode::Mp3}) {
        blocks = 0;
        const std::string path = OutputPath(out.path().string(), 1, mode);
        const CopyResult r = copy(mode, path, 0, 400);
        EXPECT_EQ(r.outcome, CopyOutcome::Cancelled);
        EXPECT_EQ(r.framesDone, 4 * 26);
        EXPECT_FALSE(fs::exists(path));
        ASSERT_EQ(r.kept, IncompletePath(path));
        if (mode == OutputMode::Wav) expectWav(readFile(r.kept), d.audio(1), 4 * 26);
        else EXPECT_NEAR(probeDuration(r.kept, nullptr), 4 * 26 / 75.0, 0.06);
    }
    EXPECT_EQ(IncompletePath("/m/Track 02.wav"), "/m/Track 02.incomplete.wav");
    // The next copy clears the flag and runs to the end.
    host.onEvents = nullptr;
    EXPECT_EQ(RipTrackToWav(drive, host, file("again.wav"), 400, 600).outcome, CopyOutcome::Complete);
    expectWav(readFile(file("again.wav")), d.audio(2), 200);

    // A disc whose data ends 100 frames before its TOC says: the block past it fails.
    const DiscImage cut = makeDiscImage(images, "cut", {300});
    open(cut);
    fs::resize_file(cut.bin, 200 * 2352);
    for (OutputMode mode : {OutputMode::Wav, OutputMode::Mp3}) {
        RecordingHost failing;
        const std::string path = OutputPath(out.path().string(), 2, mode);
        const CopyResult r = mode == OutputMode::Wav
                                 ? RipTrackToWav(drive, failing, path, 0, 300)
                                 : EncodeTrackToMp3(drive, encoder, failing, path, 0, 300, config);
        EXPECT_EQ(r.outcome, CopyOutcome::ReadFailed);
        EXPECT_EQ(r.framesDone, 7 * 26);
        ASSERT_EQ(failing.messages.size(), 1u);
        EXPECT_EQ(failing.messages[0].first.text, AspiErrorText(-4));
        EXPECT_EQ(failing.messages[0].first.icon, MessageIcon::None);
        EXPECT_EQ(failing.unloaded, 1);
        EXPECT_FALSE(fs::exists(path));
        if (mode == OutputMode::Wav) expectWav(readFile(r.kept), cut.frames.data(), size_t(r.framesDone));
    }
    // A read failing at once keeps nothing at all.
    RecordingHost failing;
    const CopyResult none = RipTrackToWav(drive, failing, file("none.wav"), 250, 260);
    EXPECT_EQ(none.outcome, CopyOutcome::ReadFailed);
    EXPECT_EQ(none.kept, "");
    EXPECT_FALSE(fs::exists(file("none.wav")) || fs::exists(IncompletePath(file("none.wav"))));

    // Whole again, a skip run rips the track that failed.
    writeFile(cut.bin, cut.frames);
    setenv("NALO_CD_IMAGES", images.path().c_str(), 1);
    std::string text;
    EXPECT_EQ(runCommand("'" + appDir() + "/nalo-convert' cd2mp3 --drive cut.cue --to wav --skip --tracks 1 --out '" +
                             out.path().string() + "'",
                         &text),
              0)
        << text;
    unsetenv("NALO_CD_IMAGES");
    expectWav(readFile(file("Track 01.wav")), cut.frames.data(), 300);
}

TEST_F(Pipeline, Mp3sDecodeToTheTrackLengthAtEveryPreset) {
    if (!haveTool("ffprobe")) GTEST_SKIP() << "ffprobe missing";
    const DiscImage d = makeDiscImage(images, "disc", {150, 377});
    open(d);
    const Mp3Encoder encoder;
    struct Case {
        int kbps, quality, track;
    } cases[] = {{32, 0, 1}, {160, 1, 2}, {320, 2, 2}, {128, -1, 1}};
    for (const Case& c : cases) {
        RecordingHost host;
        const std::string path = file("t.mp3");
        const CopyResult r = EncodeTrackToMp3(drive, encoder, host, path, drive.GetTrackLBA(c.track - 1),
                                              drive.GetTrackLBA(c.track),
                                              MakeLameConfig(c.kbps, PresetOfQuality(c.quality)));
        ASSERT_EQ(r.outcome, CopyOutcome::Complete) << c.kbps;
        std::string rate;
        const double seconds = probeDuration(path, &rate);
        EXPECT_EQ(rate, "44100") << c.kbps;
        // No info frame marks the padding: the stream is the track after LAME's
        // 576-sample delay, up to the end of the frame that holds its flush.
        const double extra = seconds - d.lengths[size_t(c.track - 1)] / 75.0;
        EXPECT_GE(extra, 576.0 / 44100) << c.kbps;
        EXPECT_LT(extra, (576.0 + 2 * 1152) / 44100) << c.kbps;
    }
    // A bit rate the encoder refuses: the critical box, no file.
    RecordingHost host;
    const CopyResult r = EncodeTrackToMp3(drive, encoder, host, file("bad.mp3"), 0, 150, MakeLameConfig(100, 0));
    EXPECT_EQ(r.outcome, CopyOutcome::Failed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].first.text, "Invalid format parameters");
    EXPECT_EQ(host.messages[0].first.icon, MessageIcon::Critical);
    EXPECT_EQ(host.messages[0].second, "Critical error...");
    EXPECT_EQ(host.unloaded, 1);
    EXPECT_FALSE(fs::exists(file("bad.mp3")));
}

TEST(Texts, ReaderAndEncoderTables) {
    EXPECT_EQ(AspiErrorText(0), "No error...");
    EXPECT_EQ(AspiErrorText(-15), "An automatic jitter adjust failed during a call to ReadCDAudioLBAEx");
    EXPECT_EQ(AspiErrorText(-16), "");
    EXPECT_EQ(AspiErrorText(1), "");
    EXPECT_EQ(LameErrorText(5), "Buffer too small");
    EXPECT_EQ(LameErrorText(6), "");
    const LameConfig c = MakeLameConfig(160, PresetOfQuality(0));
    EXPECT_EQ(getLe32(&c[24]), 160u);
    EXPECT_EQ(getLe32(&c[32]), 1u);
    EXPECT_EQ(getLe32(&c[80]), 0xFFFFFFFFu);
    EXPECT_EQ(getLe32(&c[64]), 0u);
}

// A write that fails midway (the file-size limit standing in for a full disk) ends the
// track with a message naming the file, and leaves neither the file nor a temporary.
TEST_F(Pipeline, FailedWritesLeaveNoFileAndSayWhich) {
    const DiscImage d = makeDiscImage(images, "disc", {600});
    open(d);
    const Mp3Encoder encoder;
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 200 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    RecordingHost host;
    const CopyResult wav = RipTrackToWav(drive, host, file("big.wav"), 0, 600);
    // 8 s at 320 kbit/s: 320 kB.
    const CopyResult mp3 = EncodeTrackToMp3(drive, encoder, host, file("big.mp3"), 0, 600, MakeLameConfig(320, 0));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(wav.outcome, CopyOutcome::Failed);
    EXPECT_EQ(mp3.outcome, CopyOutcome::Failed);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_NE(host.messages[0].first.text.find(file("big.wav")), std::string::npos) << host.messages[0].first.text;
    EXPECT_EQ(host.messages[0].first.icon, MessageIcon::Critical);
    EXPECT_NE(host.messages[1].first.text.find(file("big.mp3")), std::string::npos) << host.messages[1].first.text;
    EXPECT_EQ(host.messages[1].second, "Critical error...");
    EXPECT_EQ(host.unloaded, 2);
    EXPECT_TRUE(fs::is_empty(out.path()));
}
