#pragma once
// The conversion kinds of the TGA/PCX converter, in list order: the twelve first kinds,
// then PNG, WebP and TIFF sources (stored kind numbers keep their meaning).
#include <array>
#include <string>

namespace nalo::tgapcx {

enum class PictureType { Tga, Pcx, Bmp, Gif, Jpg, Png, Webp, Tif };

struct ConversionKind {
    const char* text;           // item text of the kind list, e.g. "TGA-->BMP"
    const char* sourcePattern;  // e.g. "*.tga"; several separated by ";"
    PictureType source;
    const char* outputExtension;  // e.g. ".bmp"
    PictureType output;
    const char* getLabel;  // heading of the source list
    const char* putLabel;  // heading of the output list
};

inline constexpr int KindCount = 21;
extern const std::array<ConversionKind, KindCount> ConversionKinds;

// The kind for its number ("0".."20"), a kind's text or its short name (case-insensitive), or -1.
int parseKind(const std::string& s);

// The kind's short name for the command line: "TGA-->BMP" -> "tga2bmp".
std::string shortKindName(const ConversionKind& kind);

// True when a file name matches one of the kind's source patterns.
bool matchesSource(const ConversionKind& kind, const std::string& fileName);

// The wildcard of the output type ("*.pcx", "*.tga" or "*.bmp").
std::string outputPattern(const ConversionKind& kind);

}  // namespace nalo::tgapcx
