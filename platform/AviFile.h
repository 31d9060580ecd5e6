#pragma once
// The AVI file layer: the AVIFile calls the video tools make, over FFmpeg.
// Handles are reference-counted objects; a stream keeps its file alive and a frame
// reader keeps its stream alive, so any release order is safe. Results follow the
// AVIFile conventions: 0 = success, AVIERR_* otherwise; -1 for failed counts.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/VideoContainer.h"

namespace nalo {

using AviResult = int32_t;
inline constexpr AviResult AVIERR_OK = 0;
inline constexpr AviResult AVIERR_UNSUPPORTED = static_cast<AviResult>(0x80044065u);
inline constexpr AviResult AVIERR_BADFORMAT = static_cast<AviResult>(0x80044066u);
inline constexpr AviResult AVIERR_MEMORY = static_cast<AviResult>(0x80044067u);
inline constexpr AviResult AVIERR_BADPARAM = static_cast<AviResult>(0x8004406Au);
inline constexpr AviResult AVIERR_BADSIZE = static_cast<AviResult>(0x8004406Bu);
inline constexpr AviResult AVIERR_BADHANDLE = static_cast<AviResult>(0x8004406Cu);
inline constexpr AviResult AVIERR_FILEWRITE = static_cast<AviResult>(0x8004406Eu);
inline constexpr AviResult AVIERR_FILEOPEN = static_cast<AviResult>(0x8004406Fu);
inline constexpr AviResult AVIERR_NOCOMPRESSOR = static_cast<AviResult>(0x80044071u);
inline constexpr AviResult AVIERR_READONLY = static_cast<AviResult>(0x80044072u);
inline constexpr AviResult AVIERR_NODATA = static_cast<AviResult>(0x80044073u);
inline constexpr AviResult AVIERR_CANTCOMPRESS = static_cast<AviResult>(0x80044075u);

inline constexpr uint32_t OF_SHARE_EXCLUSIVE = 0x10;
inline constexpr uint32_t OF_SHARE_DENY_WRITE = 0x20;
inline constexpr uint32_t OF_WRITE = 0x1;
inline constexpr uint32_t OF_CREATE = 0x1000;

constexpr uint32_t mmioFOURCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
inline constexpr uint32_t streamtypeVIDEO = mmioFOURCC('v', 'i', 'd', 's');  // 0x73646976
// The four characters of `text` (padded with blanks) as a FOURCC; flags unused.
uint32_t mmioStringToFOURCCA(const char* text, uint32_t flags);

inline constexpr uint32_t AVIIF_KEYFRAME = 0x10;
inline constexpr uint32_t ICMF_CHOOSE_KEYFRAME = 0x1;
inline constexpr uint32_t ICMF_CHOOSE_DATARATE = 0x2;
inline constexpr uint32_t AVICOMPRESSF_DATARATE = 0x2;
inline constexpr uint32_t AVICOMPRESSF_KEYFRAMES = 0x4;
inline constexpr uint32_t AVICOMPRESSF_VALID = 0x8;

// The compressors the writing calls know, by handler.
inline constexpr uint32_t comptypeDIB = mmioFOURCC('D', 'I', 'B', ' ');  // full frames
inline constexpr uint32_t comptypeMJPG = mmioFOURCC('M', 'J', 'P', 'G');
inline constexpr uint32_t comptypeFMP4 = mmioFOURCC('F', 'M', 'P', '4');
inline constexpr uint32_t comptypeFFV1 = mmioFOURCC('F', 'F', 'V', '1');
inline constexpr uint32_t comptypeH264 = mmioFOURCC('H', '2', '6', '4');
inline constexpr uint32_t comptypeVP90 = mmioFOURCC('V', 'P', '9', '0');

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

// dwQuality 0..10000 (10000 best); dwKeyFrameEvery with AVICOMPRESSF_KEYFRAMES;
// dwBytesPerSecond with AVICOMPRESSF_DATARATE (a target data rate instead of the
// quality). The format and parameter blocks are unused and stay null.
struct AVICOMPRESSOPTIONS {
    uint32_t fccType = 0, fccHandler = 0, dwKeyFrameEvery = 0, dwQuality = 0, dwBytesPerSecond = 0, dwFlags = 0;
    void* lpFormat = nullptr;
    uint32_t cbFormat = 0;
    void* lpParms = nullptr;
    uint32_t cbParms = 0, dwInterleaveEvery = 0;
};

// A compressor the installed FFmpeg can write into an AVI.
struct AviCompressor {
    uint32_t fccHandler = comptypeDIB;
    std::string name;         // "Full Frames (Uncompressed)", "Motion JPEG", ...
    bool takesQuality = false;
    bool takesKeyFrames = false;
    bool takesDataRate = false;
};

// The compressors available for an AVI, "Full Frames (Uncompressed)" first, then
// Motion JPEG, MPEG-4 Part 2, FFV1 and H.264 where FFmpeg has their encoder; for
// another container those of ContainerHandlers that FFmpeg can encode, in that order.
std::vector<AviCompressor> AviCompressors(VideoContainer container = VideoContainer::Avi);

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

// Opens a video for reading (any mode without OF_WRITE/OF_CREATE): an AVI, or any
// other container the layer reads (MP4/MOV, Matroska/WebM, MPEG-TS/PS, ...) that holds
// a video stream; anything else gives AVIERR_FILEOPEN. Or, with OF_CREATE + OF_WRITE,
// a new video for writing, in the container its name says (ContainerForPath): AVI,
// MP4, QuickTime, Matroska or WebM.
// A new file is written beside `path` and takes its name only at AVIFileCommit: a file
// released without a commit leaves nothing behind and `path` untouched. A folder that
// cannot take the file or a read-only target gives AVIERR_FILEOPEN.
AviResult AVIFileOpen(PAVIFILE& file, const std::string& path, uint32_t mode, const void* handler = nullptr);
// Stream `index` of the type (video only): the first video stream for index 0.
// A frame size of 0 or beyond the limits gives AVIERR_BADFORMAT. An AVI's frames are
// its index chunks; another container's follow its timeline (VideoTimeline: the
// container's rate, or the average one for a variable rate; start 0). A video with
// a display rotation is given upright: its size swapped for a quarter turn.
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
// stream cannot be decoded to that format. `filter` is the scaler's (bicubic unless
// asked otherwise); it also shapes the colour conversion at the stream's size.
enum class AviScaleFilter { Bicubic, Lanczos };
PGETFRAME AVIStreamGetFrameOpen(const PAVISTREAM& stream, const BITMAPINFOHEADER* wanted,
                                AviScaleFilter filter = AviScaleFilter::Bicubic);
// Frame `pos` (the stream's own numbers, start .. start + length - 1) as a packed
// DIB: BITMAPINFOHEADER followed by the pixels. The reader owns the block until the
// next call. Null for a frame out of range or that cannot be decoded.
const BITMAPINFOHEADER* AVIStreamGetFrame(const PGETFRAME& reader, int32_t pos);

// ---- writing ----
// The video stream of a new file: fccType vids, dwScale and dwRate > 0 (the frame
// rate is dwRate / dwScale), rcFrame the frame size. One stream per file.
AviResult AVIFileCreateStreamA(const PAVIFILE& file, PAVISTREAM& stream, const AVISTREAMINFOA* info);

// The compressor dialog: `choose` is shown the available compressors and fills in
// the options (flags: ICMF_CHOOSE_*, which options it offers). 1 when confirmed,
// 0 when cancelled (the options are then left unset).
using CompressorChooser =
    std::function<bool(const std::vector<AviCompressor>& compressors, uint32_t flags, AVICOMPRESSOPTIONS& options)>;
int32_t AVISaveOptions(const CompressorChooser& choose, uint32_t flags, int32_t streams, const PAVISTREAM* stream,
                       AVICOMPRESSOPTIONS** options);
AviResult AVISaveOptionsFree(int32_t streams, AVICOMPRESSOPTIONS** options);

// A stream that compresses what is written to it into `source`. A handler FFmpeg
// cannot encode, or that the file's container does not take, gives AVIERR_NOCOMPRESSOR.
AviResult AVIMakeCompressedStream(PAVISTREAM& compressed, const PAVISTREAM& source, const AVICOMPRESSOPTIONS* options,
                                  const void* handler = nullptr);
// The frames' format: a BITMAPINFOHEADER (24 or 32 bits, compression 0, the size of
// the stream's rcFrame; a negative height for top-down rows) and its colour table.
AviResult AVIStreamSetFormat(const PAVISTREAM& stream, int32_t pos, const void* format, int32_t size);
// The frame size stored after the format is set: the stream's rcFrame size, or one
// column and/or row more when a 4:2:0 encoder takes no odd side (the picture's last
// column and row repeated). False for a stream not being written or without a format.
bool AVIStreamStoredSize(const PAVISTREAM& stream, int32_t& width, int32_t& height);
// Writes frame `start` (frame numbers rise; a skipped number is an empty frame):
// `size` bytes of pixels in the format set. Full frames are stored as they are,
// every one a key frame. Any failure (AVIERR_FILEWRITE for a full disk) stops the
// file: every later write fails and the commit refuses it.
AviResult AVIStreamWrite(const PAVISTREAM& stream, int32_t start, int32_t samples, const void* buffer, int32_t size,
                         uint32_t flags, int32_t* samplesWritten = nullptr, int32_t* bytesWritten = nullptr);
// Completes a new AVI (the encoder's last frames, the index, the headers) and gives it
// its name. A file with no frame written, or whose writing failed, is refused and
// removed. The file stays open for nothing else afterwards.
AviResult AVIFileCommit(const PAVIFILE& file);
// What the last failed writing call on `file` met, naming the file ("" when none).
std::string AVIFileWriteError(const PAVIFILE& file);

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
