#include "tools/a2bj/AviFrameSource.h"

namespace nalo::a2bj {

AviFrameSource::~AviFrameSource() { release(); }

void AviFrameSource::release() {
    AVIStreamGetFrameClose(reader_);
    AVIStreamRelease(stream_);
    AVIFileRelease(file_);
}

AviOpen AviFrameSource::open(const std::string& path) {
    release();
    facts_ = {};
    path_ = path;
    if (AVIFileOpen(file_, path, OF_SHARE_DENY_WRITE) != AVIERR_OK) return AviOpen::Unreadable;
    if (AVIFileGetStream(file_, stream_, streamtypeVIDEO, 0) != AVIERR_OK) return AviOpen::Unreadable;
    const int32_t first = AVIStreamStart(stream_), length = AVIStreamLength(stream_);
    if (first == -1 || length == -1) return AviOpen::NoFrames;
    AVIFILEINFO fileInfo;
    AVISTREAMINFOA streamInfo;
    if (AVIFileInfo(file_, &fileInfo, sizeof fileInfo) != AVIERR_OK ||
        AVIStreamInfo(stream_, &streamInfo, sizeof streamInfo) != AVIERR_OK)
        return AviOpen::Unreadable;
    // A stream without frames has nothing to extract.
    if (length < 1) return AviOpen::Unreadable;
    facts_ = {first, length, streamInfo.rcFrame.right - streamInfo.rcFrame.left,
              streamInfo.rcFrame.bottom - streamInfo.rcFrame.top};
    BITMAPINFOHEADER wanted;
    wanted.biWidth = facts_.width;
    wanted.biHeight = facts_.height;
    wanted.biBitCount = 24;
    wanted.biSizeImage = uint32_t(((facts_.width * 3 + 3) & ~3) * facts_.height);
    reader_ = AVIStreamGetFrameOpen(stream_, &wanted);
    return reader_ ? AviOpen::Ok : AviOpen::Not24Bit;
}

std::string openMessage(AviOpen result, const std::string& path) {
    switch (result) {
    case AviOpen::Unreadable: return "Error : \r\n" + path;
    case AviOpen::Not24Bit: return "Error : AVI 256色は無効 \r\n" + path;
    case AviOpen::Ok:
    case AviOpen::NoFrames: break;
    }
    return {};
}

}  // namespace nalo::a2bj
