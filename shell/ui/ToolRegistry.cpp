#include "shell/ui/ToolRegistry.h"

#include <array>

namespace nalo {

namespace {
// Each tool changes only its own line.
const std::array<ToolEntry, 9> Tools = {{
    {7, "BMP  --> JPG", nullptr},
    {5, "AVI (256色) -->  ｱﾆﾒGIF", nullptr},
    {0, "BMP、JPG  -->  AVI", nullptr},
    {6, "音楽CD  --> MP3、WAV", nullptr},
    {1, "AVI  -->  BMP", nullptr},
    {8, "BMP、JPG、GIF  --> ICO", nullptr},
    {4, "ｱﾆﾒGIF  -->  BMP、GIF", nullptr},
    {9, "BMP... --> BMP(補正減色)", nullptr},
    {10, "TGA、PCX、BMP、GIF、JPG --> BMP、TGA、PCX", nullptr},
}};
}  // namespace

std::span<const ToolEntry> ToolTable() { return Tools; }

}  // namespace nalo
