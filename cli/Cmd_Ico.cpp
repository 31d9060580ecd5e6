// nalo-convert ico: a picture to a 32 x 32 icon, as the picture-to-icon tool makes it,
// or with --sizes to one icon of several sizes, 32-bit with alpha.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/Subcommands.h"
#include "codecs/AlphaIcoWriter.h"
#include "codecs/IcoWriter.h"
#include "platform/FileIdentity.h"
#include "platform/PictureIo.h"
#include "shell/RuntimeError.h"
#include "tools/pic2ico/IconCapture.h"
#include "tools/pic2ico/PicToIcon.h"

namespace nalo::cli {

namespace {

bool parseInt(const std::string& s, int& out) {
    if (s.empty() || s.size() > 9) return false;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size()) return false;
    for (size_t k = i; k < s.size(); ++k)
        if (s[k] < '0' || s[k] > '9') return false;
    out = std::stoi(s);
    return true;
}

// "A,B" or "A,B,C" of integers.
bool parseInts(const std::string& s, size_t count, int* out) {
    size_t start = 0;
    for (size_t n = 0; n < count; ++n) {
        size_t comma = s.find(',', start);
        const bool last = n + 1 == count;
        if (last != (comma == std::string::npos)) return false;
        if (!parseInt(s.substr(start, last ? std::string::npos : comma - start), out[n])) return false;
        start = comma + 1;
    }
    return true;
}

bool parseHexColour(const std::string& s, ColourValue& out) {
    if (s.size() != 6 || s.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    const unsigned long v = std::stoul(s, nullptr, 16);
    out = rgb(static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v));
    return true;
}

// "all" or sides of AllIconSides separated by commas; ascending, each once.
bool parseSides(const std::string& s, std::vector<int>& out) {
    out.clear();
    if (s == "all") {
        out.assign(std::begin(AllIconSides), std::end(AllIconSides));
        return true;
    }
    size_t start = 0;
    while (start <= s.size()) {
        const size_t comma = std::min(s.find(',', start), s.size());
        int side = 0;
        if (!parseInt(s.substr(start, comma - start), side) ||
            std::find(std::begin(AllIconSides), std::end(AllIconSides), side) == std::end(AllIconSides))
            return false;
        out.push_back(side);
        start = comma + 1;
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return true;
}
}  // namespace

int runIco(const Args& args) {
    int bitCount = 0;
    bool haveShrink = false, havePrepare = false, haveRegion = false;
    IconCapture capture;
    std::optional<ColourValue> transparent;
    std::optional<std::pair<int, int>> transparentAt;
    std::vector<std::string> files;
    std::vector<int> sides;

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) return false;
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--colours" || a == "--colors") {
            if (!value(v) || !parseInt(v, bitCount) || !isIconBitCount(bitCount))
                return usageError("--colours takes 1, 4, 8 or 24");
        } else if (a == "--shrink") {
            if (!value(v) || !parseInt(v, capture.quality) || capture.quality < 0 || capture.quality > 3)
                return usageError("--shrink takes a quality 0, 1, 2 or 3");
            haveShrink = true;
        } else if (a == "--prepare") {
            if (!value(v) || !parseInt(v, capture.prepare) || capture.prepare < 0 || capture.prepare > 2)
                return usageError("--prepare takes 0, 1 or 2");
            havePrepare = true;
        } else if (a == "--region") {
            int xyz[3];
            if (!value(v) || !parseInts(v, 3, xyz) || xyz[2] < 1)
                return usageError("--region takes X,Y,SIDE with SIDE at least 1");
            capture.kind = IconCapture::Region;
            capture.region = {xyz[0], xyz[1], xyz[2]};
            haveRegion = true;
        } else if (a == "--transparent") {
            ColourValue c;
            if (!value(v) || !parseHexColour(v, c)) return usageError("--transparent takes a colour RRGGBB");
            transparent = c;
        } else if (a == "--transparent-at") {
            int xy[2];
            if (!value(v) || !parseInts(v, 2, xy) || xy[0] < 0 || xy[0] >= IconSide || xy[1] < 0 || xy[1] >= IconSide)
                return usageError("--transparent-at takes X,Y inside the 32 x 32 icon");
            transparentAt = std::pair{xy[0], xy[1]};
        } else if (a == "--sizes") {
            if (!value(v) || !parseSides(v, sides))
                return usageError("--sizes takes all or sides among 16,24,32,48,64,128,256");
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("ico: unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (!sides.empty()) {
        if (bitCount || haveShrink || havePrepare || haveRegion || transparentAt)
            return usageError("--sizes takes only --transparent: the icon is 32-bit, made from the whole picture");
        if (files.size() != 2) return usageError("ico needs one input picture and one output icon");
        if (sourceNamedBy(files[1], {files[0]})) return fileFailure(files[1], SourceAsOutput);
        DecodedPicture source;
        if (int failed = guardFile(files[0], [&] {
                source = loadPictureWithAlpha(files[0]);
                return 0;
            }))
            return failed;
        return guardFile(files[1], [&] {
            MakeMultiSizeIcon(source, transparent, files[1], sides);
            return 0;
        });
    }
    if (bitCount == 0) return usageError("ico needs --colours {1,4,8,24}");
    if (haveRegion && (haveShrink || havePrepare)) return usageError("--region cannot be combined with --shrink or --prepare");
    if (transparent && transparentAt) return usageError("give either --transparent or --transparent-at");
    if (files.size() != 2) return usageError("ico needs one input picture and one output icon");
    const std::string& in = files[0];
    const std::string& out = files[1];
    if (sourceNamedBy(out, {in})) return fileFailure(out, SourceAsOutput);

    Dib icon;
    if (int failed = guardFile(in, [&] {
            icon = captureIcon(loadPicture(in), capture);
            return 0;
        }))
        return failed;
    ColourValue colour = rgb(0, 0, 0);
    if (transparent) colour = *transparent;
    if (transparentAt) colour = icon.pixel(transparentAt->first, transparentAt->second);
    return guardFile(out, [&] { return MakeIcon(icon, colour, out, bitCount) ? 0 : fileFailure(out, "the icon was not written"); });
}

}  // namespace nalo::cli
