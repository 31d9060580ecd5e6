// The AVI layer: open, file and stream information, then every frame (up to a cap)
// at the stream's size and a few scaled to a small top-down 24-bit picture.
#include <algorithm>

#include "fuzz/FuzzSupport.h"
#include "platform/AviFile.h"

namespace nalo::fuzz {

namespace {
constexpr int32_t MaxFrames = 64;

void readFrames(const PAVISTREAM& stream, const BITMAPINFOHEADER* wanted, int32_t count) {
    PGETFRAME reader = AVIStreamGetFrameOpen(stream, wanted);
    if (!reader) return;
    const int32_t start = AVIStreamStart(stream);
    for (int32_t i = 0; i < count; ++i) {
        const BITMAPINFOHEADER* frame = AVIStreamGetFrame(reader, start + i);
        if (!frame) continue;
        touch(frame, sizeof *frame + frame->biSizeImage);
    }
    // Back to the first frame: the seek path.
    if (const BITMAPINFOHEADER* frame = AVIStreamGetFrame(reader, start)) touch(frame, sizeof *frame);
    AVIStreamGetFrameClose(reader);
}
}  // namespace

void FuzzAvi(Input input) {
    static const AviLibraryScope library;
    PAVIFILE file;
    if (AVIFileOpen(file, scratchFile("fuzz.avi", input), OF_SHARE_DENY_WRITE) != AVIERR_OK) return;
    AVIFILEINFO fileInfo;
    AVIFileInfo(file, &fileInfo, sizeof fileInfo);
    PAVISTREAM stream;
    if (AVIFileGetStream(file, stream, streamtypeVIDEO, 0) != AVIERR_OK) return;
    AVISTREAMINFOA info;
    require(AVIStreamInfoA(stream, &info, sizeof info) == AVIERR_OK, "no stream information");
    touch(&info, sizeof info);
    const int32_t length = AVIStreamLength(stream);
    AVIStreamSampleToTime(stream, AVIStreamStart(stream) + length);
    readFrames(stream, nullptr, std::min(length, MaxFrames));
    BITMAPINFOHEADER small;
    small.biWidth = 17;
    small.biHeight = -13;
    small.biBitCount = 24;
    readFrames(stream, &small, std::min(length, 4));
}

}  // namespace nalo::fuzz
