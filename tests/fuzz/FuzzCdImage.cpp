// The CD reader over a disc image: the input is the image (its first byte picks .cue,
// .toc or .nrg) beside a small fixed track file; the listing with any reason the image
// is malformed, the TOC in both address forms, the CD-Text and the first frames of
// every track are read.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "fuzz/FuzzSupport.h"

extern "C" {
uint32_t GetNumAdapters();
uint32_t GetCDList(uint8_t* list);
uint32_t GetCDHandle(const uint8_t* request);
uint32_t ModifyCDParms(uint32_t handle, int32_t which, uint32_t value);
uint32_t ReadTOC(uint32_t handle, uint8_t* toc);
uint32_t ReadCDAudioLBA(uint32_t handle, uint8_t* buffer);
uint32_t CloseCDHandle(uint32_t handle);
uint32_t GetCDText(uint32_t handle, uint32_t track, uint32_t field, char* text, uint32_t size);
uint32_t GetCDImageError(uint32_t index, char* text, uint32_t size);
}

namespace nalo::fuzz {

namespace {
constexpr size_t FrameSize = 2352, Frames = 4, ListSize = 2 + 8 * 121, TocSize = 808;

// The image folder with its track file, made once; each input replaces the image.
void prepareFolder() {
    static const bool ready = [] {
        std::filesystem::create_directory(scratchFolder() + "/cd");
        std::vector<uint8_t> track(FrameSize * 16);
        for (size_t i = 0; i < track.size(); ++i) track[i] = static_cast<uint8_t>(i * 7);
        scratchFile("cd/track.bin", track);
        setenv("NALO_CD_IMAGES", (scratchFolder() + "/cd").c_str(), 1);
        return true;
    }();
    (void)ready;
}
}  // namespace

void FuzzCdImage(Input input) {
    if (input.empty()) return;
    prepareFolder();
    static const char* const kinds[] = {"image.cue", "image.toc", "image.nrg"};
    // Images name their track file relative to themselves.
    for (const char* kind : kinds) std::filesystem::remove(scratchFolder() + "/cd/" + kind);
    scratchFile(std::string("cd/") + kinds[input[0] % 3], input.subspan(1));

    const uint32_t count = GetNumAdapters();
    std::vector<uint8_t> list(ListSize, 0);
    const uint32_t listed = GetCDList(list.data());
    require(listed == std::min<uint32_t>(count, 8), "listing and count differ");
    for (uint32_t i = 0; i < listed; ++i) {
        if (std::memcmp(&list[2 + i * 121 + 69], "IMAGE", 5) != 0) continue;
        char text[64];
        GetCDImageError(i, text, sizeof text);
        touch(text, std::strlen(text));
        const uint8_t request[5] = {12, 1, static_cast<uint8_t>(i), 0, 0};
        const uint32_t handle = GetCDHandle(request);
        if (!handle) continue;
        for (uint32_t msf = 0; msf < 2; ++msf) {
            ModifyCDParms(handle, 36, msf);
            std::vector<uint8_t> toc(TocSize, 0);
            if (ReadTOC(handle, toc.data())) touch(toc.data(), toc.size());
        }
        ModifyCDParms(handle, 36, 0);
        std::vector<uint8_t> toc(TocSize, 0);
        if (ReadTOC(handle, toc.data())) {
            for (uint32_t track = 0; track < 100; ++track) {
                const uint8_t* e = &toc[4 + 8 * track];
                if (track > 0 && e[2] == 0) break;
                const uint32_t first = uint32_t(e[4]) << 24 | uint32_t(e[5]) << 16 | uint32_t(e[6]) << 8 | e[7];
                std::vector<uint8_t> buffer(24 + FrameSize * Frames, 0);
                std::memcpy(buffer.data(), &first, 4);
                const uint32_t frames = Frames, room = FrameSize * Frames;
                std::memcpy(buffer.data() + 4, &frames, 4);
                std::memcpy(buffer.data() + 8, &room, 4);
                if (ReadCDAudioLBA(handle, buffer.data())) touch(buffer.data(), buffer.size());
                for (uint32_t field = 0; field < 2; ++field)
                    if (GetCDText(handle, track, field, text, sizeof text)) touch(text, std::strlen(text));
            }
        }
        CloseCDHandle(handle);
    }
}

}  // namespace nalo::fuzz
