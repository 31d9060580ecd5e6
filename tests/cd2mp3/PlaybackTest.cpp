#include <gtest/gtest.h>

#include "support/DiscImage.h"
#include <chrono>
#include <thread>

#include "tools/cd2mp3/Nalo_CD.h"
#include "tools/cd2mp3/OutputAudioSink.h"

using namespace nalo;
using namespace nalo::cd2mp3;
using namespace nalo::test;

namespace {

struct FakeClock : PlaybackClock {
    int64_t now = 1000;
    int64_t milliseconds() const override { return now; }
};

// A sink with a device that records what it is asked to play.
struct RecordingSink : AudioSink {
    bool device = true;
    std::vector<std::string> log;
    bool hasDevice() const override { return device; }
    void start(Channel c, std::unique_ptr<PcmSource> s, bool loop) override {
        int16_t pcm[2 * 588];
        log.push_back("start " + std::to_string(c) + (loop ? " loop " : " ") + std::to_string(s->read(pcm, 588)));
    }
    void stop(Channel c) override { log.push_back("stop " + std::to_string(c)); }
};

}  // namespace

TEST(Playback, RemainingTimeFromTheReplies) {
    struct Case {
        const char *length, *position;
        int minutes;
        const char* seconds;
    } cases[] = {
        {"04:07:00", "01:01:30:00", 2, "37"},
        {"04:07:00", "01:01:50:00", 2, "17"},
        {"04:07:00", "01:03:58:00", 0, "09"},
        {"01:05:00", "02:00:00:00", 1, "05"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RemainingMinutes(c.length, c.position), c.minutes) << c.position;
        EXPECT_EQ(RemainingSeconds(c.length, c.position), c.seconds) << c.position;
    }
    EXPECT_EQ(PositionMinutes("03:05:42:10"), 5);
    EXPECT_EQ(PositionSecondsText("03:05:42:10"), "42");
    EXPECT_EQ(PositionMinutes("03:1"), 1);  // short replies give what stands there
    EXPECT_EQ(LengthSecondsText("04"), "");
}

TEST(Playback, CdPlaysFromATrackOnTheClockToTheEndOfTheDisc) {
    ComponentFolder components;
    TempDir images;
    const DiscImage d = makeDiscImage(images, "disc", {75 * 247, 75 * 10});  // 4:07 and 0:10
    CdReader reader;
    CdDrive drive(reader);
    ASSERT_TRUE(drive.OpenCDDrive(int(reader.AddCDImage(d.cue)) - 1));
    FakeClock clock;
    NullAudioSink none;
    MciLayer mci(clock, none, &drive);
    Nalo_CD cd(mci);
    cd.PlayCDTrack(1);
    clock.now += 90'000;
    EXPECT_EQ(cd.CDCurrentTrack(), "1");
    EXPECT_EQ(cd.CDRemainingMinutes(), 2);
    EXPECT_EQ(cd.CDRemainingSeconds(), "37");
    clock.now += 148'000;  // 3:58
    EXPECT_EQ(cd.CDRemainingMinutes(), 0);
    EXPECT_EQ(cd.CDRemainingSeconds(), "09");
    clock.now += 12'000;  // into track 2: from a track to the end of the disc
    EXPECT_EQ(cd.CDCurrentTrack(), "2");
    EXPECT_EQ(cd.CDRemainingSeconds(), "07");
    cd.StopCD();
    std::string reply = "kept";
    EXPECT_NE(mci.mciSendString("status cdaudio position", &reply), 0);
    EXPECT_EQ(reply, "kept");

    // With a device the audio comes from the reader.
    RecordingSink sink;
    MciLayer heard(clock, sink, &drive);
    Nalo_CD loud(heard);
    loud.PlayCDTrack(2);
    loud.StopCD();
    EXPECT_EQ(sink.log, (std::vector<std::string>{"start 0 588", "stop 0"}));
}

TEST(Playback, FilesLoopAndNoDeviceMeansNoSound) {
    TempDir dir;
    // Three MPEG-1 layer III frames at 128 kbit/s, 44.1 kHz: 3 x 1152 samples = 78 ms.
    std::vector<uint8_t> mp3;
    for (int f = 0; f < 3; ++f) {
        std::vector<uint8_t> frame(417, 0);
        frame[0] = 0xFF, frame[1] = 0xFB, frame[2] = 0x90, frame[3] = 0x00;
        mp3.insert(mp3.end(), frame.begin(), frame.end());
    }
    writeFile(dir.file("a.mp3"), mp3);
    EXPECT_EQ(Mp3Duration(dir.file("a.mp3")), 78);
    FakeClock clock;
    RecordingSink sink;
    MciLayer mci(clock, sink, nullptr);
    Nalo_CD player(mci);
    player.PlayMp3File(dir.file("a.mp3"));
    EXPECT_TRUE(player.IsMp3Playing());
    const int32_t sent = mci.commandsSent();
    player.RestartMp3IfStopped();
    EXPECT_EQ(mci.commandsSent(), sent + 1) << "only the status query while it plays";
    clock.now += 100;
    EXPECT_FALSE(player.IsMp3Playing());
    player.RestartMp3IfStopped();
    EXPECT_TRUE(player.IsMp3Playing()) << "started again from the beginning";
    player.StopMp3File();
    EXPECT_FALSE(player.IsMp3Playing());
    player.PlayMp3File(dir.file("missing.mp3"));
    EXPECT_FALSE(player.IsMp3Playing());

    const std::vector<uint8_t> wavHead = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'd', 'a', 't', 'a', 8, 0, 0, 0,
                                          1, 0, 2, 0, 3, 0, 4, 0};
    writeFile(dir.file("a.wav"), wavHead);
    sink.log.clear();
    player.PlayWavFile(dir.file("a.wav"));
    player.StopWavFile();
    EXPECT_EQ(sink.log, (std::vector<std::string>{"start 2 loop 2", "stop 2"}));
    sink.device = false;
    sink.log.clear();
    player.PlayWavFile(dir.file("a.wav"));
    EXPECT_TRUE(sink.log.empty());
    EXPECT_NE(mci.mciSendString("open cdaudio wait"), 0) << "no drive: the command fails, nothing is shown";
}

TEST(Playback, OutputSinkFeedsTheNullOutputAndLoops) {
    ::setenv("NALO_AUDIO", "null", 1);
    OutputAudioSink sink;
    EXPECT_FALSE(sink.hasDevice());
    struct Counting : PcmSource {
        size_t left = 6000, taken = 0;
        int rewinds = 0;
        size_t read(int16_t*, size_t frames) override {
            const size_t n = std::min(frames, left);
            left -= n;
            taken += n;
            return n;
        }
        bool rewind() override {
            ++rewinds;
            left = 6000;
            return true;
        }
    };
    auto owned = std::make_unique<Counting>();
    Counting* source = owned.get();
    sink.start(AudioSink::Wav, std::move(owned), true);
    EXPECT_GE(source->taken, 6000u) << "the first pump fills the output's buffer";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sink.pump();
    EXPECT_GE(source->rewinds, 1);
    sink.stop(AudioSink::Wav);
    EXPECT_FALSE(sink.active());
    ::unsetenv("NALO_AUDIO");

    if (!haveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    TempDir dir;
    const std::string mp3 = dir.file("tone.mp3");
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i sine=frequency=440:duration=1 -ac 2 -ar 44100 -b:a 128k '" + mp3 +
                         "'"),
              0);
    auto decoded = Mp3FileSource(mp3);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->sampleRate(), 44100);
    std::vector<int16_t> pcm(2 * 4096);
    size_t frames = 0;
    for (size_t n; (n = decoded->read(pcm.data(), 4096)) > 0;) frames += n;
    EXPECT_NEAR(double(frames), 44100.0, 2 * 1152.0);
    EXPECT_NEAR(double(*Mp3Duration(mp3)), 1000.0, 100.0);  // frames counted, the encoder's delay with them
    EXPECT_FALSE(Mp3FileSource(dir.file("none.mp3")));
}
