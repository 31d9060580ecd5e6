#pragma once
// Where long engine operations report their progress (the progress bar implements it).
#include <cstdint>

namespace nalo {

class ProgressReporter {
public:
    virtual ~ProgressReporter() = default;
    virtual void Max(int32_t value) = 0;
    virtual void value(int32_t value) = 0;
};

}  // namespace nalo
