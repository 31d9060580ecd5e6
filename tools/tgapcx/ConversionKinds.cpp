#include "tools/tgapcx/ConversionKinds.h"

#include <algorithm>
#include <cctype>

#include "shell/FileHelpers.h"

namespace nalo::tgapcx {

using T = PictureType;

const std::array<ConversionKind, KindCount> ConversionKinds = {{
    {"TGA-->BMP", "*.tga", T::Tga, ".bmp", T::Bmp, "TGAﾌｧｲﾙ", "BMPﾌｧｲﾙ"},
    {"TGA-->PCX", "*.tga", T::Tga, ".pcx", T::Pcx, "TGAﾌｧｲﾙ", "PCXﾌｧｲﾙ"},
    {"PCX-->BMP", "*.pcx", T::Pcx, ".bmp", T::Bmp, "PCXﾌｧｲﾙ", "BMPﾌｧｲﾙ"},
    {"PCX-->TGA", "*.pcx", T::Pcx, ".tga", T::Tga, "PCXﾌｧｲﾙ", "TGAﾌｧｲﾙ"},
    {"BMP-->TGA", "*.bmp", T::Bmp, ".tga", T::Tga, "BMPﾌｧｲﾙ", "TGAﾌｧｲﾙ"},
    {"BMP-->PCX", "*.bmp", T::Bmp, ".pcx", T::Pcx, "BMPﾌｧｲﾙ", "PCXﾌｧｲﾙ"},
    {"GIF-->BMP", "*.gif", T::Gif, ".bmp", T::Bmp, "GIFﾌｧｲﾙ", "BMPﾌｧｲﾙ"},
    {"GIF-->TGA", "*.gif", T::Gif, ".tga", T::Tga, "GIFﾌｧｲﾙ", "TGAﾌｧｲﾙ"},
    {"GIF-->PCX", "*.gif", T::Gif, ".pcx", T::Pcx, "GIFﾌｧｲﾙ", "PCXﾌｧｲﾙ"},
    {"JPG-->BMP", "*.jpg", T::Jpg, ".bmp", T::Bmp, "JPGﾌｧｲﾙ", "BMPﾌｧｲﾙ"},
    {"JPG-->TGA", "*.jpg", T::Jpg, ".tga", T::Tga, "JPGﾌｧｲﾙ", "TGAﾌｧｲﾙ"},
    {"JPG-->PCX", "*.jpg", T::Jpg, ".pcx", T::Pcx, "JPGﾌｧｲﾙ", "PCXﾌｧｲﾙ"},
    {"PNG-->BMP", "*.png", T::Png, ".bmp", T::Bmp, "PNGﾌｧｲﾙ", "BMPﾌｧｲﾙ"},
    {"PNG-->TGA", "*.png", T::Png, ".tga", T::Tga, "PNGﾌｧｲﾙ", "TGAﾌｧｲﾙ"},
    {"PNG-->PCX", "*.png", T::Png, ".pcx", T::Pcx, "PNGﾌｧｲﾙ", "PCXﾌｧｲﾙ"},
    {"WEBP-->BMP", "*.webp", T::Webp, ".bmp", T::Bmp, "WEBPﾌｧｲﾙ", "BMPﾌｧｲﾙ"},
    {"WEBP-->TGA", "*.webp", T::Webp, ".tga", T::Tga, "WEBPﾌｧｲﾙ", "TGAﾌｧｲﾙ"},
    {"WEBP-->PCX", "*.webp", T::Webp, ".pcx", T::Pcx, "WEBPﾌｧｲﾙ", "PCXﾌｧｲﾙ"},
    {"TIF-->BMP", "*.tif;*.tiff", T::Tif, ".bmp", T::Bmp, "TIFFﾌｧｲﾙ", "BMPﾌｧｲﾙ"},
    {"TIF-->TGA", "*.tif;*.tiff", T::Tif, ".tga", T::Tga, "TIFFﾌｧｲﾙ", "TGAﾌｧｲﾙ"},
    {"TIF-->PCX", "*.tif;*.tiff", T::Tif, ".pcx", T::Pcx, "TIFFﾌｧｲﾙ", "PCXﾌｧｲﾙ"},
}};

int parseKind(const std::string& s) {
    if (!s.empty() && s.size() <= 2 && std::isdigit(static_cast<unsigned char>(s[0])) &&
        (s.size() == 1 || std::isdigit(static_cast<unsigned char>(s[1])))) {
        int k = std::stoi(s);
        return k < KindCount ? k : -1;
    }
    auto upper = [](std::string t) {
        for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return t;
    };
    for (int i = 0; i < KindCount; ++i)
        if (upper(s) == ConversionKinds[i].text || upper(s) == upper(shortKindName(ConversionKinds[i]))) return i;
    return -1;
}

std::string shortKindName(const ConversionKind& kind) {
    // "TGA-->BMP" -> "tga2bmp": a name a shell passes as it stands.
    std::string text = kind.text, name;
    const size_t arrow = text.find("-->");
    for (char c : text.substr(0, arrow) + "2" + text.substr(arrow + 3))
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

bool matchesSource(const ConversionKind& kind, const std::string& fileName) {
    const std::string patterns = kind.sourcePattern;
    for (size_t at = 0; at <= patterns.size();) {
        const size_t end = std::min(patterns.find(';', at), patterns.size());
        if (WildcardMatch(patterns.substr(at, end - at), fileName)) return true;
        at = end + 1;
    }
    return false;
}

std::string outputPattern(const ConversionKind& kind) { return std::string("*") + kind.outputExtension; }

}  // namespace nalo::tgapcx
