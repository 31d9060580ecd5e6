#pragma once
// The AVI file layer: the AVIFile calls the video tools make, over FFmpeg.
// Handles are reference-counted objects; a stream keeps its file alive and a frame
// reader keeps its stream alive, so any release order is safe. Results follow the
// AVIFile conventions: 0 = success, AVIERR_* otherwise; -1 for failed counts.
#include <cstdint>
#include <memory>
#include <string>

namespace nalo {

using AviResult = int32_t;
inline constexpr AviResult AVIERR_OK = 0;
inline constexpr AviResult AVIERR_UNSUPPORTED = static_cast<AviResult>(0x80044065u);
inline constexpr AviResult AVIERR_BADFORMAT = static_cast<AviResult>(0x80044066u);
inline constexpr AviResult AVIERR_MEMORY = static_cast<AviResult>(0x80044067u);
inline constexpr AviResult AVIERR_BADHANDLE = static_cast<AviResult>(0x8004406Cu);
inline constexpr AviResult AVIERR_FILEOPEN = static_cast<AviResult>(0x8004406Fu);
inline constexpr AviResult AVIERR_NODATA = static_cast<AviResult>(0x80044073u);

inline constexpr uint32_t OF_SHARE_EXCLUSIVE = 0x10;
inline constexpr uint32_t OF_SHARE_DENY_WRITE = 0x20;
inline constexpr uint32_t OF_WRITE = 0x1;
inline constexpr uint32_t OF_CREATE = 0x1000;

constexpr uint32_t mmioFOURCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
inline constexpr uint32_t streamtypeVIDEO = mmioFOURCC('v', 'i', 'd', 's');  // 0x73646976

// Largest frame the layer decodes; larger declared sizes are refused at open.
inline constexpr int MaxAviFrameSide = 32767;
inline constexpr int64_t MaxAviFramePixels = int64_t(1) << 26;
// A video's largest packet must hold at least one byte per this many pixels of its
// declared frame: a few kilobytes cannot stand for a frame of hundreds of megabytes.
inline constexpr int64_t AviMaxPixelsPerByte = 4096;
// Largest single allocation FFmpeg may make (a 32-bit frame of the largest size, plus slack).
inline constexpr size_t FfmpegMaxAlloc = size_t(MaxAviFramePixels) * 4 + (size_t(1) << 20);

// True when a width x height frame is within the side and pixel limits and the
// picture budget (NALO_MAX_PIXELS).
bool FitsAviFrame(int64_t width, int64_t height);

#pragma pack(push, 1)
struct BITMAPINFOHEADER {
    uint32_t biSize = 40;
    int32_t biWidth = 0, biHeight = 0;
    uint16_t biPlanes = 1, biBitCount = 0;
    uint32_t biCompression = 0, biSizeImage = 0;
    int32_t biXPelsPerMeter = 0, biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0, biClrImportant = 0;
};
struct RECT {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct AVIFILEINFO {
    uint32_t dwMaxBytesPerSec = 0, dwFlags = 0, dwCaps = 0, dwStreams = 0, dwSuggestedBufferSize = 0;
    uint32_t dwWidth = 0, dwHeight = 0, dwScale = 0, dwRate = 0, dwLength = 0, dwEditCount = 0;
    char szFileType[64] = {};
};
struct AVISTREAMINFOA {
    uint32_t fccType = 0, fccHandler = 0, dwFlags = 0, dwCaps = 0;
    uint16_t wPriority = 0, wLanguage = 0;
    uint32_t dwScale = 0, dwRate = 0, dwStart = 0, dwLength = 0, dwInitialFrames = 0;
    uint32_t dwSuggestedBufferSize = 0, dwQuality = 0, dwSampleSize = 0;
    RECT rcFrame;
    uint32_t dwEditCount = 0, dwFormatChangeCount = 0;
    char szName[64] = {};
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40 && sizeof(AVIFILEINFO) == 108 && sizeof(AVISTREAMINFOA) == 140);

class AviFile;
class AviStream;
class AviFrameReader;
using PAVIFILE = std::shared_ptr<AviFile>;
using PAVISTREAM = std::shared_ptr<AviStream>;
using PGETFRAME = std::shared_ptr<AviFrameReader>;

// Library scope. Nothing to set up over FFmpeg beyond silencing its log
// (NALO_AVI_LOG=1 keeps it); kept so callers run the calls in the usual order.
void AVIFileInit();
void AVIFileExit();

// Opens an AVI file for reading (any mode without OF_WRITE/OF_CREATE); writing is
// not available and gives AVIERR_UNSUPPORTED. Non-AVI content: AVIERR_FILEOPEN.
AviResult AVIFileOpen(PAVIFILE& file, const std::string& path, uint32_t mode, const void* handler = nullptr);
// Stream `index` of the type (video only): the first video stream for index 0.
// A frame size of 0 or beyond the limits gives AVIERR_BADFORMAT.
AviResult AVIFileGetStream(const PAVIFILE& file, PAVISTREAM& stream, uint32_t type, int32_t index);
AviResult AVIStreamOpenFromFileA(PAVISTREAM& stream, const std::string& path, uint32_t type, int32_t index,
                                 uint32_t mode, const void* handler = nullptr);

// First frame number (the stream's dwStart) and frame count; -1 for a null stream.
int32_t AVIStreamStart(const PAVISTREAM& stream);
int32_t AVIStreamLength(const PAVISTREAM& stream);
// Copies up to `size` bytes of the record. rcFrame is (0, 0, width, height).
AviResult AVIFileInfo(const PAVIFILE& file, AVIFILEINFO* info, int32_t size);
AviResult AVIStreamInfoA(const PAVISTREAM& stream, AVISTREAMINFOA* info, int32_t size);
inline AviResult AVIStreamInfo(const PAVISTREAM& s, AVISTREAMINFOA* info, int32_t size) { return AVIStreamInfoA(s, info, size); }
// Time of a sample in milliseconds (rounded to nearest); -1 for a null stream.
int32_t AVIStreamSampleToTime(const PAVISTREAM& stream, int32_t sample);

// A frame reader. `wanted` null: 32-bit bottom-up frames at the stream's size.
// Otherwise bit count 24 or 32, compression 0; width/height 0 keep the stream's
// size, others scale; a negative height asks for top-down rows. Null when the
// stream cannot be decoded to that format.
PGETFRAME AVIStreamGetFrameOpen(const PAVISTREAM& stream, const BITMAPINFOHEADER* wanted);
// Frame `pos` (the stream's own numbers, start .. start + length - 1) as a packed
// DIB: BITMAPINFOHEADER followed by the pixels. The reader owns the block until the
// next call. Null for a frame out of range or that cannot be decoded.
const BITMAPINFOHEADER* AVIStreamGetFrame(const PGETFRAME& reader, int32_t pos);

// Releases drop the caller's reference; null handles are skipped.
AviResult AVIStreamGetFrameClose(PGETFRAME& reader);
int32_t AVIStreamRelease(PAVISTREAM& stream);
int32_t AVIFileRelease(PAVIFILE& file);

// RAII pair of AVIFileInit/AVIFileExit.
class AviLibraryScope {
public:
    AviLibraryScope() { AVIFileInit(); }
    ~AviLibraryScope() { AVIFileExit(); }
    AviLibraryScope(const AviLibraryScope&) = delete;
    AviLibraryScope& operator=(const AviLibraryScope&) = delete;
};

}  // namespace nalo
