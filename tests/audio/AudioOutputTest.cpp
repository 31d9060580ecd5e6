// The audio-output layer's null output and the AVI sound decoding that feeds it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/AudioOutput.h"
#include "platform/AviAudioReader.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

TEST(AudioOutput, NullOutputKeepsTheClocksPace) {
    PcmFormat format{8000, 2};
    auto out = nullAudioOutput(format, 800);
    EXPECT_FALSE(out->audible());
    std::vector<int16_t> samples(2 * 4000);
    EXPECT_EQ(out->playedFrames(), 0);
    EXPECT_EQ(out->write(samples.data(), 4000), 800u) << "no more than the buffer at once";
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    const int64_t played = out->playedFrames();
    EXPECT_GE(played, 400);  // 60 ms at 8000 Hz = 480 frames
    EXPECT_LE(played, 800);
    EXPECT_GT(out->write(samples.data(), 4000), 0u);
    out->stop();
    const int64_t stopped = out->playedFrames();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(out->playedFrames(), stopped);
    EXPECT_EQ(out->write(samples.data(), 10), 0u);
    ::setenv("NALO_AUDIO", "null", 1);
    EXPECT_FALSE(openAudioOutput(format)->audible());
}

TEST(AudioOutput, AviSoundDecodedToSixteenBits) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    const std::string with = dir.file("with.avi"), without = dir.file("without.avi");
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i testsrc=size=32x32:rate=10:duration=1 -f lavfi -i "
                         "sine=frequency=1000:sample_rate=22050:duration=1 -ac 2 -c:v rawvideo -c:a pcm_s16le " + with),
              0);
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i testsrc=size=32x32:rate=10:duration=1 -c:v rawvideo " + without), 0);
    EXPECT_FALSE(AviAudioReader(without).hasAudio());
    AviAudioReader reader(with);
    ASSERT_TRUE(reader.hasAudio());
    EXPECT_EQ(reader.format().sampleRate, 22050);
    EXPECT_EQ(reader.format().channels, 2);
    size_t values = 0;
    int peak = 0;
    for (;;) {
        const auto& s = reader.next();
        if (s.empty()) break;
        values += s.size();
        for (int16_t v : s) peak = std::max(peak, std::abs(int(v)));
    }
    EXPECT_NEAR(double(values) / 2, 22050, 1200);
    EXPECT_GT(peak, 1000);  // a sine, not silence
}
