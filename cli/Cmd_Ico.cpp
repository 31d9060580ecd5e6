// nalo-convert ico: a picture to a 32 x 32 icon, as the picture-to-icon tool makes it.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/Subcommands.h"
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

// Prints the failure, naming the file unless the description already does.
}  // namespace

int runIco(const Args& args) {
    int bitCount = 0;
    bool haveShrink = false, havePrepare = false, haveRegion = false;
    IconCapture capture;
    std::optional<ColourValue> transparent;
    std::optional<std::pair<int, int>> transparentAt;
    std::vector<std::string> files;

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
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("ico: unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
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
