#include "tools/cd2mp3/LameConfig.h"

#include <utility>

#include "codecs/LittleEndian.h"

namespace nalo::cd2mp3 {

std::string LameErrorText(uint32_t code) {
    static constexpr const char* texts[] = {"No Error",        "Invalid format", "Invalid format parameters",
                                            "No more handles", "Invalid handle", "Buffer too small"};
    return code < 6 ? texts[code] : "";
}

int32_t PresetOfQuality(int position) {
    switch (position) {
    case 0: return 1;
    case 2: return 2;
    default: return 0;
    }
}

LameConfig MakeLameConfig(int32_t kbps, int32_t preset) {
    LameConfig c{};
    const std::pair<size_t, int32_t> fields[] = {
        {0, 256}, {4, 1},      {8, 331}, {12, 44100}, {16, 0},  {20, 1},  {24, kbps},
        {28, 0},  {32, preset}, {36, 1},  {48, 1},     {52, 1},  {56, 1},  {60, 1}, {80, -1},
    };
    for (auto [offset, value] : fields) putLe32(&c[offset], static_cast<uint32_t>(value));
    return c;
}

}  // namespace nalo::cd2mp3
