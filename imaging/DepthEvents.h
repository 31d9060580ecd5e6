#pragma once
// The InitProgress / Progress / Complete events of the colour-depth classes, as callbacks.
#include <cstdint>
#include <functional>

namespace nalo {

struct DepthEvents {
    std::function<void(int32_t)> InitProgress;
    std::function<void(int32_t)> Progress;
    std::function<void(int32_t)> Complete;  // elapsed milliseconds

    void init(int32_t v) const { if (InitProgress) InitProgress(v); }
    void progress(int32_t v) const { if (Progress) Progress(v); }
    void complete(int32_t v) const { if (Complete) Complete(v); }
};

// Milliseconds of a monotonic clock, for the Complete events.
int64_t depthTickMs();

}  // namespace nalo
