#pragma once
// modLAME: the encoder's error texts and its 331-byte configuration record.
#include <array>
#include <cstdint>
#include <string>

namespace nalo::cd2mp3 {

inline constexpr size_t LameConfigSize = 331;
using LameConfig = std::array<uint8_t, LameConfigSize>;

// The bit rates of the tool's list, in order (kbit/s).
inline constexpr int Bitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
// Quality positions: "Low", "Normal", "High".
inline constexpr const char* Qualities[] = {"Low", "Normal", "High"};

// "No Error" ... "Buffer too small" for 0..5, "" otherwise.
std::string LameErrorText(uint32_t code);

// The encoder preset of a quality position: 0 -> 1, 1 -> 0, 2 -> 2, none (-1) -> 0.
int32_t PresetOfQuality(int position);

// The record: LAME, version 1, 44 100 Hz in, joint stereo, constant bit rate `kbps`,
// MPEG-1, the four header flags set, no variable bit rate.
LameConfig MakeLameConfig(int32_t kbps, int32_t preset);

}  // namespace nalo::cd2mp3
