#pragma once
// mAVIImp: every frame of an AVI's video stream into an animated-GIF model on the
// 216-colour cube, with the delay of the video's frame rate.
#include <string>

namespace nalo {

class cGIF;
class ProgressReporter;

namespace mAVIImp {

// True when every frame was imported. The caller has run Destroy on `gif`.
// Progress Max = frame count, value = frame number, 0 at the end.
bool ImportAVI(const std::string& path, cGIF& gif, ProgressReporter* progress);

// Milliseconds per frame and the GIF delay (hundredths) for an end time and count.
int32_t MillisecondsPerFrame(int32_t endTimeMs, int32_t frames);
int16_t DelayFromMilliseconds(int32_t ms);

}  // namespace mAVIImp

}  // namespace nalo
