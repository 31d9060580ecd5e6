#pragma once
// mAVIImp: the frames of an AVI's video stream into an animated-GIF model on the
// 216-colour cube, with the delay of the video's frame rate; optionally trimmed,
// thinned to a lower frame rate and scaled.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nalo {

class cGIF;
class ProgressReporter;

namespace mAVIImp {

enum class GifPalette {
    Cube,      // the 216-colour cube, each channel to its nearest level
    Adaptive,  // one palette from the clip's colours, error diffusion that keeps still areas still
};

// What to take from the video. The defaults take every frame at the video's size.
struct AviImportOptions {
    double fps = 0;                    // frames per second kept; 0 or above the video's: every frame
    int32_t width = 0, height = 0;     // output size; 0: the video's (the aspect kept when one is given)
    double start = 0;                  // seconds from the first frame
    std::optional<double> end;         // seconds; none: to the last frame
    int16_t loops = 0;                 // animation loop count, 0 = endless
    GifPalette palette = GifPalette::Cube;
};

// One frame of the GIF: the stream frame (0-based from the stream's start) and its delay.
struct PlannedFrame {
    int32_t sample;
    int16_t delay;
};

// The frames to take from a stream of `frames` frames ending at `endTimeMs`. Without
// a frame rate every frame in [start, end) keeps the video's delay; with one, frame k
// shows the frame on screen at start + k / fps and its delay follows the running total,
// so that the delays add up to the clip's time. Raises RuntimeError when a frame lasts
// longer than a GIF delay holds.
std::vector<PlannedFrame> PlanFrames(int32_t frames, int32_t endTimeMs, const AviImportOptions& options);

// The output size for a video of width x height: a side not given follows the other
// with the aspect kept (at least 1).
void OutputSize(int32_t width, int32_t height, const AviImportOptions& options, int32_t& outWidth,
                int32_t& outHeight);

// True when every planned frame was imported. The caller has run Destroy on `gif`.
// Progress Max = frame count, value = frame number, 0 at the end. Raises RuntimeError
// when the trim leaves no frame.
bool ImportAVI(const std::string& path, cGIF& gif, ProgressReporter* progress,
               const AviImportOptions& options = {});

// Milliseconds per frame and the GIF delay (hundredths) for an end time and count.
int32_t MillisecondsPerFrame(int32_t endTimeMs, int32_t frames);
int16_t DelayFromMilliseconds(int32_t ms);

}  // namespace mAVIImp

}  // namespace nalo
